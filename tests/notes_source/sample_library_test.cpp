#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "notes_source/notes_library_file.h"

namespace quillmere {
namespace {

// The bundled sample shows what the importer does; this keeps it showing it.
TEST(SampleLibrary, ShowsTheCasesTheImporterHandles) {
    auto notes = loadNotesLibrary(QUILLMERE_SOURCE_DIR "/samples/notes-library.json").application;
    ASSERT_NE(notes, nullptr);
    ASSERT_EQ(notes->accounts().count(), 2u);
    EXPECT_EQ(notes->accounts().objectAtIndex(0)->name(), u"iCloud");
    EXPECT_EQ(notes->accounts().objectAtIndex(1)->name(), u"On My Mac");
    EXPECT_EQ(notes->notes().count(), 30u);

    // Every folder's container is the one that lists it, so the whole tree is exported.
    int deepest = 0;
    for (auto account : notes->accounts()) {
        std::map<Text, int> depth{{*account->id(), 0}};
        for (auto folder : account->folders()) {
            const auto parent = folder->container().get()->id();
            ASSERT_TRUE(parent && depth.count(*parent));
            depth[*folder->id()] = depth[*parent] + 1;
            deepest = std::max(deepest, depth[*folder->id()]);
        }
    }
    EXPECT_EQ(deepest, 3);

    std::map<Text, int> titles;
    int locked = 0, attachments = 0;
    for (auto note : notes->notes()) {
        ++titles[note->name()];
        const auto body = note->body();
        if (body.empty() && !note->name().empty()) ++locked;
        // One U+FFFC per attachment, in order.
        EXPECT_EQ(static_cast<std::uint64_t>(std::count(body.begin(), body.end(), u'\uFFFC')),
                  note->attachments().count())
            << text::toUtf8(note->name());
        attachments += static_cast<int>(note->attachments().count());
    }
    EXPECT_EQ(titles[u"Shopping"], 2);
    EXPECT_EQ(titles[u""], 1);
    EXPECT_EQ(locked, 1);
    EXPECT_EQ(attachments, 8);
    for (const Text& title :
         {Text(u"東京旅行"), Text(u"Путешествие в Санкт-Петербург"), Text(u"رحلة إلى القاهرة"),
          Text(u"Birthday cake: 3/4 cup? or 1/2 cup*")}) {
        EXPECT_EQ(titles[title], 1) << text::toUtf8(title);
    }
}

}  // namespace
}  // namespace quillmere
