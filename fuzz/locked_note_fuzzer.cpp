// A locked note's data on any bytes: the binary property list reader on every object and every
// accessor, and the locked-note reader on the data as stored, then opened with one password when
// its key derivation is cheap. Never a crash, a hang or a read outside the input.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "notes_source/note_store/locked_note.h"
#include "platform/plist/binary_property_list.h"
#include "platform/plist/keyed_archive.h"

namespace {

using namespace quillmere;

void touch(const plist::Value& value) {
    (void)value.boolean();
    (void)value.integer();
    (void)value.real();
    (void)value.data();
    (void)value.string();
    (void)value.uid();
    const std::size_t count = value.count();
    for (std::size_t i = 0; i < count && i < 64; ++i) (void)value.element(i).kind();
    (void)value["$class"].kind();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (auto list = plist::BinaryPropertyList::parse(bytes)) {
        touch(list->root());
        for (std::uint64_t i = 0; i < 256; ++i) touch(list->object(i));
    }
    if (auto archive = plist::KeyedArchive::parse(bytes)) {
        const plist::Value root = archive->top("root");
        (void)archive->className(root);
        (void)archive->data(archive->member(root, "encryptedData"));
        (void)archive->string(archive->member(root, "objectIdentifier"));
    }
    note_store::StoredLockedNote stored;
    stored.data = bytes;
    stored.salt = std::string(16, 's');
    stored.iterations = 1;
    stored.wrappedKey = std::string(24, 'w');
    stored.iv = std::string(16, 'i');
    stored.tag = std::string(16, 't');
    const note_store::LockedNote note = note_store::readLockedNote(stored);
    if (note.scheme == note_store::LockedNote::Scheme::unreadable && note.fault.empty()) {
        std::abort();
    }
    if (note.scheme == note_store::LockedNote::Scheme::password && note.iterations <= 16) {
        (void)note_store::openLockedNote(note, secureBytesOf("tbull"));
    }
    return 0;
}
