#include "platform/plist/binary_property_list.h"

#include <gtest/gtest.h>

#include "platform/plist/keyed_archive.h"

namespace quillmere::plist {
namespace {

std::string hex(const std::string& digits) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

// Written by Python's plistlib: {count: 20000, negative: -2, big: 2^40, ascii: "tbull",
// wide: "café €", salt: bytes 0..31, list: [true, false, 1.5], ref: UID 3, nested: {k: "v"}}.
const std::string kSample = hex(
    "62706c6973743030d90102030405060708090a0b0c0d0e0f10141555636f756e74586e656761746976655362696755"
    "617363696954776964655473616c74546c69737453726566566e6573746564114e2013fffffffffffffffe13000001"
    "0000000000557462756c6c6600630061006600e9002020ac4f1020000102030405060708090a0b0c0d0e0f10111213"
    "1415161718191a1b1c1d1e1fa31112130908233ff80000000000008003d11617516b5176081b212a2e34393e43474e"
    "515a636976999d9e9fa8aaadaf00000000000001010000000000000018000000000000000000000000000000b1");

// "bplist00", objects, offset table, and a trailer with 1-byte offsets and references.
std::string oneByteList(const std::string& objectsHex, const std::string& offsetsHex,
                        int objectCount, int top) {
    const std::string objects = hex(objectsHex);
    std::string bytes = "bplist00" + objects + hex(offsetsHex);
    std::string trailer(32, '\0');
    trailer[6] = 1;
    trailer[7] = 1;
    trailer[15] = static_cast<char>(objectCount);
    trailer[23] = static_cast<char>(top);
    trailer[31] = static_cast<char>(8 + objects.size());
    return bytes + trailer;
}

TEST(BinaryPropertyList, ReadsEveryKindOfValue) {
    auto list = BinaryPropertyList::parse(kSample);
    ASSERT_TRUE(list);
    const Value root = list->root();
    EXPECT_EQ(root.kind(), Kind::dictionary);
    EXPECT_EQ(root.count(), 9u);
    EXPECT_EQ(root["count"].integer(), 20000);
    EXPECT_EQ(root["negative"].integer(), -2);
    EXPECT_EQ(root["big"].integer(), std::int64_t{1} << 40);
    EXPECT_EQ(root["ascii"].string(), "tbull");
    EXPECT_EQ(root["wide"].string(), "caf\xC3\xA9 \xE2\x82\xAC");
    std::string salt;
    for (int i = 0; i < 32; ++i) salt.push_back(static_cast<char>(i));
    EXPECT_EQ(root["salt"].data(), salt);
    EXPECT_EQ(root["list"].count(), 3u);
    EXPECT_EQ(root["list"].element(0).boolean(), true);
    EXPECT_EQ(root["list"].element(1).boolean(), false);
    EXPECT_EQ(root["list"].element(2).real(), 1.5);
    EXPECT_EQ(root["ref"].uid(), 3u);
    EXPECT_EQ(root["nested"]["k"].string(), "v");
}

TEST(BinaryPropertyList, AnswersNothingForTheWrongKindOrAMissingValue) {
    const auto list = BinaryPropertyList::parse(kSample);
    const Value root = list->root();
    struct Row {
        const char* name;
        Value value;
    };
    const Row rows[] = {
        {"missing_key", root["absent"]},
        {"key_of_a_string", root["ascii"]["x"]},
        {"index_past_end", root["list"].element(3)},
        {"element_of_a_dictionary", root.element(0)},
    };
    for (const Row& row : rows) {
        EXPECT_FALSE(row.value) << row.name;
        EXPECT_EQ(row.value.count(), 0u) << row.name;
        EXPECT_FALSE(row.value.string()) << row.name;
    }
    EXPECT_FALSE(root["ascii"].data());
    EXPECT_FALSE(root["salt"].string());
    EXPECT_FALSE(root["count"].uid());
}

TEST(BinaryPropertyList, RefusesDamagedListsAndReadsCyclesWithoutLooping) {
    struct Row {
        const char* name;
        std::string bytes;
        bool parses;
    };
    std::string truncated = kSample.substr(0, kSample.size() - 1);
    std::string tableOutside = kSample;
    tableOutside[kSample.size() - 1] = static_cast<char>(0xf0);
    std::string topOutside = kSample;
    topOutside[kSample.size() - 9] = 0x20;
    const Row rows[] = {
        {"sample", kSample, true},
        {"truncated", truncated, false},
        {"offset_table_past_the_trailer", tableOutside, false},
        {"top_object_past_the_count", topOutside, false},
        {"no_header", "xplist00" + kSample.substr(8), false},
        {"empty", "", false},
        {"array_holding_itself", oneByteList("a100", "08", 1, 0), true},
        {"object_offset_inside_the_table", oneByteList("a100", "0a", 1, 0), false},
        {"string_longer_than_the_list", oneByteList("5f10ff", "08", 1, 0), false},
        {"huge_count", oneByteList("af13ffffffffffffffff", "08", 1, 0), false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(BinaryPropertyList::parse(row.bytes).has_value(), row.parses) << row.name;
    }
    const auto list = BinaryPropertyList::parse(oneByteList("a100", "08", 1, 0));
    Value cycle = list->root();
    for (int i = 0; i < 1000; ++i) cycle = cycle.element(0);
    EXPECT_EQ(cycle.kind(), Kind::array);
}

// {"$objects": ["$null", {"key": UID 2, "$class": UID 3, "none": UID 0, "wrapped": UID 4},
//  "value", {"$classname": "Thing"}, {"NS.data": <0102>}], "$top": {"root": UID 1}}
TEST(KeyedArchive, FollowsUidsToMembersClassesAndWrappedData) {
    const std::string bytes =
        hex("62706c6973743030d4010203040506070a582476657273696f6e592461726368697665725424746f705824"
            "6f626a"
            "6563747312000186a05f100f4e534b657965644172636869766572d1080954726f6f748001a50b0c151619"
            "55246e"
            "756c6cd40d0e0f1011121314536b65795624636c617373546e6f6e65577772617070656480028003800080"
            "045576"
            "616c7565d117185a24636c6173736e616d65555468696e67d11a1b574e532e6461746142010208111a2429"
            "323749"
            "4c5153595f686c737880828486888e919ca2a5ad0000000000000101000000000000001c00000000000000"
            "000000"
            "0000000000b0");
    auto archive = KeyedArchive::parse(bytes);
    ASSERT_TRUE(archive);
    const Value root = archive->top("root");
    EXPECT_EQ(archive->className(root), "Thing");
    EXPECT_EQ(archive->string(archive->member(root, "key")), "value");
    EXPECT_FALSE(archive->member(root, "none"));
    EXPECT_EQ(archive->data(archive->member(root, "wrapped")), std::string("\x01\x02"));
    EXPECT_FALSE(KeyedArchive::parse(kSample));
}

}  // namespace
}  // namespace quillmere::plist
