#include "library/shared_list.h"

#include <gtest/gtest.h>

#include "library/file_types.h"
#include "library/library_view.h"

using namespace tandril::library;

namespace {

SharedFileRecord Record(const std::string& path, std::uint32_t size = 1000,
                        const std::string& hash = "0123456789abcdef0123456789abcdef-1000") {
    SharedFileRecord r;
    r.path = path;
    r.hash = hash;
    r.size = size;
    r.bitrate = 128;
    r.frequency = 44100;
    r.length = 245;
    return r;
}

// Every batch sent, in order.
struct Sent {
    std::vector<std::string> batches;
    ShareBatch::Send send = [this](const tandril::protocol::ShareFolder& b) { batches.push_back(b.Encode()); };
};

}  // namespace

TEST(ShareName, TakesTheLastTwoComponentsWhenThePathIsDeepEnough) {
    struct Case {
        const char* path;
        const char* shareName;
        const char* folder;
    } cases[] = {
        {"/Music/Rock/song.mp3", "Rock\\song.mp3", "/Music/"},
        {"/home/ann/Music/Rock/song.mp3", "Rock\\song.mp3", "/home/ann/Music/"},
        {"/Music/song.mp3", "song.mp3", "/Music/"},  // two separators: the file name alone
        {"song.mp3", "song.mp3", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShareName(c.path), c.shareName) << c.path;
        EXPECT_EQ(FolderPart(c.path), c.folder) << c.path;
    }
}

TEST(VirtualName, NumbersFoldersOnceAndResolvesBack) {
    SharedList list;
    SharedFileRecord& a = list.Append(Record("/Music/Rock/song.mp3"));
    SharedFileRecord& b = list.Append(Record("/Other/x/y/z.mp3"));
    SharedFileRecord& c = list.Append(Record("/MUSIC/Jazz/take.mp3"));
    EXPECT_EQ(list.VirtualName(a), "1:\\1\\Rock\\song.mp3");
    EXPECT_EQ(list.VirtualName(b), "2:\\2\\y\\z.mp3");
    EXPECT_EQ(list.VirtualName(c), "1:\\1\\Jazz\\take.mp3");  // folders compare without case
    EXPECT_EQ(list.VirtualName(a), "1:\\1\\Rock\\song.mp3");  // the number stays

    EXPECT_EQ(list.ResolveVirtualName("1:\\1\\Rock\\song.mp3"), "/Music/Rock/song.mp3");
    EXPECT_EQ(list.ResolveVirtualName("2:\\2\\y\\z.mp3"), "/Other/x/y/z.mp3");
    for (const char* unchanged : {"9:\\9\\Rock\\song.mp3", "Rock\\song.mp3", ":\\1\\a.mp3", "1:no-backslashes", "1:\\one", "x1:\\1\\a"}) {
        EXPECT_EQ(list.ResolveVirtualName(unchanged), unchanged);
    }
}

TEST(SharedList, FindsByPathWithoutCaseAndFollowsRenames) {
    SharedList list;
    SharedFileRecord& r = list.Append(Record("/Music/Rock/song.mp3"));
    EXPECT_EQ(list.Find("/music/rock/SONG.mp3"), &r);
    list.Rename(r, "/Music/Rock/new.mp3");
    EXPECT_EQ(list.Find("/Music/Rock/song.mp3"), nullptr);
    EXPECT_EQ(list.Find("/Music/Rock/new.mp3"), &r);
    list.Remove("/music/rock/new.mp3");
    EXPECT_EQ(list.size(), 0u);
}

TEST(SharedDat, LinesRoundTripThroughTheTokenRule) {
    SharedFileRecord r = Record("/Music/My Band/a song.mp3");
    r.bitrate = -1;
    std::string line = SharedDatLine(r);
    EXPECT_EQ(line, "\"/Music/My Band/a song.mp3\" 0123456789abcdef0123456789abcdef-1000 1000 -1 44100 245\n");
    EXPECT_EQ(SharedDatTokens(line), (std::vector<std::string>{"/Music/My Band/a song.mp3", "0123456789abcdef0123456789abcdef-1000", "1000",
                                                               "-1", "44100", "245"}));
    EXPECT_EQ(SharedDatTokens("  \"/a b/c\"   x  \r\n trailing"), (std::vector<std::string>{"/a b/c", "x"}));
    EXPECT_EQ(SharedDatTokens("\"unterminated path"), (std::vector<std::string>{"unterminated path"}));
    EXPECT_TRUE(SharedDatTokens("   ").empty());
}

TEST(ShareBatch, FlushesWhenFolderChanges) {
    SharedList list;
    Sent sent;
    for (const char* path : {"/A/x/1.mp3", "/A/x/2.mp3", "/B/y/3.mp3"}) {
        SharedFileRecord& r = list.Append(Record(path));
        list.batch.Add(list.FolderPrefix(r), ShareEntry(r), sent.send);
    }
    ASSERT_EQ(sent.batches.size(), 1u);
    const std::string values = " 0123456789abcdef0123456789abcdef-1000 1000 128 44100 245";
    EXPECT_EQ(sent.batches[0], "\"1:\\1\\\" \"x\\1.mp3\"" + values + " \"x\\2.mp3\"" + values);
    EXPECT_EQ(list.batch.Text(), "\"2:\\2\\\" \"y\\3.mp3\"" + values);
    list.batch.Flush(sent.send);
    EXPECT_EQ(sent.batches.size(), 2u);
    EXPECT_TRUE(list.batch.Text().empty());
}

TEST(ShareBatch, IsSentBeforeItWouldReach2032Bytes) {
    ShareBatch batch;
    Sent sent;
    const std::string prefix = "1:\\1\\";
    SharedFileRecord r = Record("/A/x/" + std::string(80, 'n') + ".mp3");
    const auto file = ShareEntry(r);
    const std::string entry = " \"" + file.name + "\" 0123456789abcdef0123456789abcdef-1000 1000 128 44100 245";
    const std::size_t opening = prefix.size() + 2;
    const std::size_t fit = (kShareBatchSize - 1 - opening) / entry.size();  // entries that keep it below 2032
    for (std::size_t i = 0; i < fit; ++i) batch.Add(prefix, file, sent.send);
    EXPECT_TRUE(sent.batches.empty());
    EXPECT_LT(batch.Text().size(), kShareBatchSize);
    EXPECT_GE(batch.Text().size() + entry.size(), kShareBatchSize);
    batch.Add(prefix, file, sent.send);
    ASSERT_EQ(sent.batches.size(), 1u);
    EXPECT_EQ(sent.batches[0].size(), opening + fit * entry.size());
    EXPECT_EQ(batch.Text(), "\"" + prefix + "\"" + entry);  // the file starts the next batch
}

TEST(ShareBatch, WithoutASenderAFullBatchIsDropped) {
    ShareBatch batch;
    batch.Add("1:\\1\\", {"a.mp3", "h", 1, 2, 3, 4}, {});
    batch.Add("2:\\2\\", {"b.mp3", "h", 1, 2, 3, 4}, {});
    EXPECT_EQ(batch.Text(), "\"2:\\2\\\" \"b.mp3\" h 1 2 3 4");
}

TEST(LibraryView, RowsShowTheRecordAndGoInNameOrder) {
    FileTypeTable noTypes;
    SharedFileRecord drm = Record("/M/x/Beta.wma", 1234567);
    drm.bitrate = drm.frequency = drm.length = -1;
    SharedFileRecord plain = Record("/M/y/alpha.mp3", 999);
    plain.length = 65;
    LibraryRow row = MakeLibraryRow(plain, noTypes);
    EXPECT_EQ(row.name(), "y\\alpha.mp3");
    EXPECT_EQ(row.size(), "999");
    EXPECT_EQ(row.bitrate(), "128");
    EXPECT_EQ(row.frequency(), "44100");
    EXPECT_EQ(row.length(), "1:05");
    EXPECT_EQ(row.image, 1);  // no type with an icon: the built-in file image
    LibraryRow drmRow = MakeLibraryRow(drm, noTypes);
    EXPECT_EQ(drmRow.size(), "1,234,567");
    EXPECT_EQ(drmRow.bitrate(), "DRM");
    EXPECT_EQ(drmRow.frequency(), "DRM");
    EXPECT_EQ(drmRow.length(), "DRM");
    EXPECT_EQ(MakeLibraryRow(Record("/M/z/c.mp3", 1, "h"), noTypes).length(), "4:05");

    // Each row goes before the first that is not less than it, case ignored; a later row with
    // the same name goes before the earlier one, in a batch as one at a time.
    auto named = [&](const std::string& folder, const std::string& file) {
        return MakeLibraryRow(Record("/M/" + folder + "/" + file), noTypes);
    };
    LibraryView view;
    view.AddRows({named("b", "1.mp3"), named("D", "1.mp3")});
    view.AddRows({named("c", "1.mp3"), named("B", "1.mp3"), named("a", "1.mp3")});
    view.AddRows({named("c", "1.mp3")});
    std::vector<std::string> order;
    for (const LibraryRow& r : view.Rows()) order.push_back(r.path());
    EXPECT_EQ(order, (std::vector<std::string>{"/M/a/1.mp3", "/M/B/1.mp3", "/M/b/1.mp3", "/M/c/1.mp3", "/M/c/1.mp3", "/M/D/1.mp3"}));
}

TEST(LibraryView, OrdersByTheShownNameAndKeepsAReadersRowsAsTheyWere) {
    const FileTypeTable noTypes;
    auto row = [&](const std::string& path) { return MakeLibraryRow(Record(path), noTypes); };
    LibraryView view;
    // Shown as "a\x.mp3" and "a1\x.mp3": '1' sorts before the shown '\', though after the '/'
    // the path holds.
    view.AddRows({row("/M/a/x.mp3"), row("/M/a1/x.mp3")});
    const LibraryRows before = view.Rows();
    ASSERT_EQ(before.size(), 2u);
    EXPECT_EQ(before[0].name(), "a1\\x.mp3");
    EXPECT_EQ(before[1].name(), "a\\x.mp3");

    // The view changes; what a reader took stays as it was.
    view.AddRows({row("/M/0/x.mp3")});
    view.RenameRow("/M/a/x.mp3", "/M/a/renamed.mp3");
    view.RemoveRows({"/M/a1/x.mp3"});
    EXPECT_EQ(before[0].path(), "/M/a1/x.mp3");
    EXPECT_EQ(before[1].path(), "/M/a/x.mp3");
    std::vector<std::string> now;
    for (const LibraryRow& r : view.Rows()) now.push_back(r.name());
    EXPECT_EQ(now, (std::vector<std::string>{"0\\x.mp3", "a\\renamed.mp3"}));
}
