#include "library/file_types.h"

#include <gtest/gtest.h>

#include "app/startup.h"
#include "base/config_store.h"
#include "support/media_fixtures.h"
#include "support/scripted_ui.h"
#include "support/test_profile.h"

using namespace tandril;
using namespace tandril::library;

namespace {

const std::filesystem::path kBundled = TANDRIL_BUNDLED_PLUGINS;
const std::filesystem::path kTestPlugins = TANDRIL_TEST_PLUGINS;

void AddType(ConfigStore& store, const std::string& name, const std::string& extension, const std::string& module,
             const char* url = "No URL") {
    ConfigKey key = store.CreateKey(std::string(kFileTypesKey) + "\\" + name);
    store.SetValue(key, "Extension", extension);
    store.SetValue(key, "Validate", module);
    if (url) store.SetValue(key, "URL", url);
}

}  // namespace

TEST(FileTypes, TheFirstRunRegistersTheBundledPlugins) {
    test::TestProfile profile;
    ConfigStore store(profile.path());
    ASSERT_TRUE(RegisterBundledFileTypes(store, kBundled));
    auto table = LoadFileTypes(store);
    ASSERT_TRUE(table);
    ASSERT_EQ(table->slots.size(), 2u);
    const FileType* mp3 = table->FindFileType(".MP3");
    ASSERT_NE(mp3, nullptr);
    EXPECT_EQ(mp3->name, "MP3");
    EXPECT_EQ(mp3->imageIndex, 2);
    EXPECT_TRUE(IsMediaType(*mp3));
    EXPECT_EQ(table->FindFileType(".wma")->imageIndex, 3);
    EXPECT_EQ(table->FindFileType(".ogg"), nullptr);
    EXPECT_TRUE(IsScanType(store, "mp3"));
    EXPECT_TRUE(IsScanType(store, "WMA"));
    // Registered types stay as the user (or an installer) left them.
    ConfigKey root = *store.OpenKey(kFileTypesKey);
    store.SetValue(root, "FilesToScan", "MP3;");
    ASSERT_TRUE(RegisterBundledFileTypes(store, "/elsewhere"));
    EXPECT_TRUE(IsScanType(store, "MP3"));
    EXPECT_FALSE(IsScanType(store, "WMA"));  // the empty piece after "MP3;" names no type
}

TEST(FileTypes, TheBundledPluginsGiveTheInspectorsValues) {
    if (!test::HaveLame() || !test::HaveFfmpeg()) GTEST_SKIP() << "lame and ffmpeg make the test files (scripts/setup.sh)";
    test::TestProfile profile;
    ConfigStore store(profile.path());
    ASSERT_TRUE(RegisterBundledFileTypes(store, kBundled));
    auto table = LoadFileTypes(store);
    ASSERT_TRUE(table);
    auto mp3 = test::EncodeMp3(profile, "song", 20, 44100, "-b 128 --cbr -t");
    auto size = static_cast<std::uint32_t>(std::filesystem::file_size(mp3));
    MediaInfo viaPlugin;
    EXPECT_EQ(ExtractMediaInfo(*table->FindFileType(".mp3"), mp3, size, viaPlugin), kAccepted);
    auto direct = InspectMp3File(mp3, size);
    ASSERT_TRUE(direct);
    EXPECT_EQ(viaPlugin.bitrate, direct->bitrate);
    EXPECT_EQ(viaPlugin.frequency, direct->frequency);
    EXPECT_EQ(viaPlugin.length, direct->length);
    EXPECT_EQ(viaPlugin.hash, direct->hash);
    EXPECT_EQ(ValidateFile(*table->FindFileType(".mp3"), mp3) & 0x80000000u, 0x80000000u);

    auto wma = test::MakeWithFfmpeg(profile, "song.wma", "-f lavfi -i sine=duration=4 -c:a wmav2 -b:a 64k");
    MediaInfo wmaInfo;
    EXPECT_EQ(ExtractMediaInfo(*table->FindFileType(".WMA"), wma, 0, wmaInfo), kAccepted);
    EXPECT_EQ(wmaInfo.bitrate, 64u);
    EXPECT_EQ(wmaInfo.hash, "WMA-FILE");
    // Each plug-in rejects the other's files.
    EXPECT_EQ(ExtractMediaInfo(*table->FindFileType(".wma"), mp3, size, wmaInfo), 0u);
    EXPECT_EQ(wmaInfo.bitrate, 0u);
    EXPECT_EQ(ValidateFile(*table->FindFileType(".mp3"), wma), 0u);
}

TEST(FileTypes, TypesWithoutAUrlOrAModuleAreLeftOut) {
    test::TestProfile profile;
    ConfigStore store(profile.path());
    ConfigKey root = store.CreateKey(kFileTypesKey);
    store.SetValue(root, "Enum", "3");
    AddType(store, "ACCEPT", ".acc", (kTestPlugins / "libaccept-plugin.so").string());
    AddType(store, "NOURL", ".nou", (kTestPlugins / "libaccept-plugin.so").string(), nullptr);
    AddType(store, "REJECT", ".rej", (kTestPlugins / "libreject-plugin.so").string(), "http://plugins.example.org/rej");
    auto table = LoadFileTypes(store);
    ASSERT_TRUE(table);
    EXPECT_FALSE(table->slots[1].has_value());
    const FileType* accept = table->FindFileType(".ACC");
    const FileType* reject = table->FindFileType(".rej");
    ASSERT_TRUE(accept && reject);
    EXPECT_EQ(ValidateFile(*accept, "/any/file"), 0x80000000u);  // top bit set: accepted
    EXPECT_EQ(ValidateFile(*reject, "/any/file"), 1u);           // 1: rejected
    EXPECT_FALSE(IsMediaType(*accept));                          // no "Is_Media" entry
    MediaInfo info;
    info.bitrate = 7;
    EXPECT_EQ(ExtractMediaInfo(*accept, "/any/file", 1, info), 0u);
    EXPECT_EQ(info.bitrate, 0u);
    EXPECT_EQ(reject->url, "http://plugins.example.org/rej");
    EXPECT_EQ(reject->imageIndex, 4);
}

TEST(FileTypes, WithoutAnyUsableTypeStartUpEndsWithCodeOne) {
    struct Case {
        const char* what;
        std::function<void(ConfigStore&)> setUp;
    };
    const Case cases[] = {
        {"no Enum", [](ConfigStore& s) { s.SetValue(s.CreateKey(kFileTypesKey), "FilesToScan", "MP3"); }},
        {"every module missing",
         [](ConfigStore& s) {
             s.SetValue(s.CreateKey(kFileTypesKey), "Enum", "2");
             AddType(s, "MP3", ".mp3", "/no/such/module.so");
             AddType(s, "WMA", ".wma", "/no/such/other.so");
         }},
    };
    for (const Case& c : cases) {
        test::TestProfile profile;
        test::ScriptedUi ui;
        ui.Script({Answer::Ok});
        Client client(ui, ClientOptions{profile.path()});
        std::optional<int> code;
        QObject::connect(&client, &Client::exitRequested, &client, [&](int e) { code = e; });
        c.setUp(client.store);
        EXPECT_FALSE(LoadFileTypesOrEnd(client)) << c.what;
        ASSERT_TRUE(test::RunUntil([&] { return code.has_value(); })) << c.what;
        EXPECT_EQ(*code, 1);
        auto events = ui.Events();
        ASSERT_GE(events.size(), 2u);
        EXPECT_EQ(events[0].caption, "TVM's not found.");
        EXPECT_TRUE(events[0].text.starts_with("Tandril could not find the TVM files required for file sharing and validation.\n"));
        EXPECT_EQ(events[1].kind, "open-url");
    }
}
