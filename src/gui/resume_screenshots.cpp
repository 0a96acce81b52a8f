#include "gui/resume_screenshots.h"

#include <QCoreApplication>
#include <QTreeWidget>
#include <fstream>

#include "app/client.h"
#include "gui/incomplete_files_dialog.h"
#include "gui/main_window.h"
#include "transfer/resume.h"
#include "transfer/transfers.h"

namespace tandril::gui {

void ShootIncompleteFiles(Client& client, MainWindow& window, const std::function<void(QWidget&, const QString&)>& save,
                          const std::filesystem::path& profile) {
    (void)profile;
    const std::filesystem::path folder = client.transfers.incomplete.Folder();
    std::filesystem::create_directories(folder);
    struct Partial {
        const char* name;
        std::size_t received;
        std::uint32_t size;
        const char* checksum;
    } partials[] = {
        {"Harbour Lights.mp3", 2104320, 4812345, "5d41402abc4b2a76b9719d911017c592-4790000"},
        {"Nova Drift - Low Tide.mp3", 512000, 3921004, "7d793037a0760186574b0282f2f435e7-3900000"},
    };
    for (const Partial& p : partials) {
        const std::string path = (folder / p.name).string();
        std::ofstream(path, std::ios::binary) << std::string(p.received, '\0');
        client.transfers.incomplete.Add({path, p.size, p.checksum});
    }
    // The first file is being resumed: its search found three users so far.
    {
        const Partial& p = partials[0];
        auto record =
            std::make_unique<transfer::TransferRecord>(false, "", p.name, p.checksum, p.size, 0, 0, client.transfers.lists.NextRowId(), 0);
        record->state = transfer::TransferState::Resuming;
        record->localPath = (folder / p.name).string();
        auto lock = client.transfers.lists.Take(false);
        transfer::AddTransfer(client.transfers, lock, std::move(record));
    }
    const std::pair<const char*, int> users[] = {{"kim", 8}, {"lou", 7}, {"ana", 10}};
    for (auto [user, speed] : users) {
        transfer::OnResumeSource(client.transfers,
                                 protocol::SourceFound{user, 16777343, 6699, std::string("1:\\0\\Music\\") + partials[0].name,
                                                       partials[0].checksum, partials[0].size, static_cast<std::uint32_t>(speed)});
    }
    IncompleteFilesDialog dialog(client, &window);
    if (auto* files = dialog.findChild<QTreeWidget*>(QStringLiteral("IncompleteFiles"))) files->topLevelItem(0)->setSelected(true);
    dialog.ShowLowerPart();
    dialog.show();
    QCoreApplication::processEvents();
    save(dialog, QStringLiteral("incomplete-files.png"));
    dialog.hide();
}

}  // namespace tandril::gui
