#include "gui/pages/transfers_page.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "gui/server_dialogs.h"
#include "gui/transfer/transfer_model.h"
#include "support/test_window.h"
#include "transfer/download_queue.h"
#include "transfer/transfers.h"

using namespace tandril;
using namespace tandril::transfer;
using test::RunUntil;
using test::Window;

namespace {

gui::TransfersPage& Page(Window& w) {
    return *static_cast<gui::TransfersPage*>(w.window.Tabs()->widget(4));
}

QStringList Column(QTreeView* list, int column) {
    QStringList texts;
    for (int row = 0; row < list->model()->rowCount(); ++row) texts << list->model()->index(row, column).data().toString();
    return texts;
}

TransferRecord& Add(Client& c, bool outbound, const std::string& nick, const std::string& name, TransferState state) {
    auto record = std::make_unique<TransferRecord>(outbound, nick, name, "h", 3145728, 0, 0, c.transfers.lists.NextRowId(), TransferNow());
    record->localPath = "/save/" + name;
    auto lock = c.transfers.lists.Take(outbound);
    TransferRecord& r = AddTransfer(c.transfers, lock, std::move(record));
    SetTransferState(c.transfers, lock, r, state);
    return r;
}

void Select(QTreeView* list, std::initializer_list<int> rows) {
    list->clearSelection();
    for (int row : rows)
        list->selectionModel()->select(list->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

QStringList Texts(QMenu& menu) {
    QStringList texts;
    for (QAction* a : menu.actions()) texts << (a->isEnabled() ? "" : "-") + a->text();
    return texts;
}

}  // namespace

TEST(TransfersPage, ShowsBothListsWithTheirColumnsAndProgress) {
    Window w;
    gui::TransfersPage& page = Page(w);
    QTreeView* in = page.List(false);
    QStringList headers;
    for (int i = 0; i < kTransferColumns; ++i) headers << in->model()->headerData(i, Qt::Horizontal).toString();
    EXPECT_EQ(headers, (QStringList{"Nom     ", "File Size", "User", "Status", "Vitesse", "Progress", "Rate", "Time Left"}));
    EXPECT_EQ(in->columnWidth(0), 175);
    EXPECT_EQ(in->columnWidth(7), 80);

    TransferRecord& running = Add(w.client, false, "kim", "one.mp3", TransferState::Transferring);
    Add(w.client, false, "lou", "two.mp3", TransferState::Queued);
    Add(w.client, true, "sam", "up.mp3", TransferState::Connecting);
    ASSERT_TRUE(RunUntil([&] { return in->model()->rowCount() == 2 && page.List(true)->model()->rowCount() == 1; }));
    EXPECT_EQ(Column(in, 0), (QStringList{"one.mp3", "two.mp3"}));
    EXPECT_EQ(Column(in, 1), (QStringList{"3,145,728", "3,145,728"}));
    EXPECT_EQ(Column(in, 3), (QStringList{"Téléchargement", "Queued..."}));
    EXPECT_EQ(Column(page.List(true), 3), (QStringList{"Attente..."}));

    // A progress refresh rewrites the size, the rate and the bar.
    {
        auto lock = w.client.transfers.lists.Take(false);
        running.position = 1048576;
        running.lastUpdate = 0;
    }
    RefreshTransferProgress(w.client.transfers, running);
    ASSERT_TRUE(RunUntil([&] { return in->model()->index(0, 1).data().toString() == "1,048,576 of 3,145,728"; }));
    EXPECT_EQ(in->model()->index(0, kProgressColumn).data(gui::TransferModel::kPercentRole).toInt(), 33);
    EXPECT_EQ(in->model()->index(0, kRateColumn).data().toString(), "0.00 k/s");
}

TEST(TransfersPage, MenusDependOnTheSelection) {
    Window w;
    gui::TransfersPage& page = Page(w);
    for (int i = 0; i < 3; ++i) Add(w.client, false, "kim", "f" + std::to_string(i) + ".mp3", TransferState::Queued);
    Add(w.client, true, "sam", "up.mp3", TransferState::Connecting);
    QTreeView* in = page.List(false);
    ASSERT_TRUE(RunUntil([&] { return in->model()->rowCount() == 3 && page.List(true)->model()->rowCount() == 1; }));

    QMenu none;
    page.FillMenu(none, false);
    EXPECT_EQ(Texts(none), (QStringList{"&Effacer les Transferts Terminés"}));

    Select(in, {1});
    QMenu one;
    page.FillMenu(one, false);
    EXPECT_EQ(Texts(one),
              (QStringList{"&Jouer le Fichier!", "&Force Transfer (if queued)", "&Priorité", "&Annuler le Transfert",
                           "E&ffacer/Arrêter le Transfert", "Envoyer un &Message Instantané", "Ajouter l'&Utilisateur aux Favoris",
                           "&Parcourir les Fichiers", "&Voir les Infos sur l'Utilisateur", "Effacer les &Tranferts Terminés"}));
    Select(in, {0, 2});
    QMenu two;
    page.FillMenu(two, false);
    EXPECT_EQ(Texts(two),
              (QStringList{"-&Play File!", "&Force Transfer (if queued)", "&Prioritize", "&Cancel Transfer", "&Delete/Abort Transfer",
                           "Instant &Message", "&Add User to Hot List", "-Browse Files", "-&View User Information", "Clear &Finished"}));
    QStringList moves;
    for (QAction* a : two.actions()[2]->menu()->actions()) moves << a->text();
    EXPECT_EQ(moves, (QStringList{"Move &Up", "Move &Down", "Move to &Top", "Move to &Bottom"}));

    Select(page.List(true), {0});
    QMenu up;
    page.FillMenu(up, true);
    EXPECT_EQ(Texts(up), (QStringList{"&Jouer le Fichier!", "&Annuler le Transfert", "&Effacer/Arrêter le Transfert",
                                      "Envoyer un &Message Instantané", "Ajouter l'&Utilisateur aux Favoris", "&Parcourir les Fichiers",
                                      "&Voir les Infos sur l'Utilisateur", "Effacer les &Transferts Terminés"}));
}

TEST(TransfersPage, CancelDeleteAndClearFinished) {
    Window w;
    gui::TransfersPage& page = Page(w);
    w.window.ShowPage(5, false);
    for (int i = 0; i < 3; ++i) Add(w.client, false, "kim", "f" + std::to_string(i) + ".mp3", TransferState::Queued);
    QTreeView* in = page.List(false);
    ASSERT_TRUE(RunUntil([&] { return in->model()->rowCount() == 3; }));

    // "Annuler" acts on the list that last had the focus.
    in->setFocus();
    QCoreApplication::processEvents();
    Select(in, {0});
    page.findChild<QPushButton*>("CancelTransfers")->click();
    ASSERT_TRUE(RunUntil([&] { return in->model()->index(0, 3).data().toString() == "Annulé ! "; }));

    // The Delete key removes the selected rows that no worker holds.
    Select(in, {1});
    QTest::keyClick(in, Qt::Key_Delete);
    ASSERT_TRUE(RunUntil([&] { return in->model()->rowCount() == 2; }));
    EXPECT_EQ(Column(in, 0), (QStringList{"f0.mp3", "f2.mp3"}));

    page.findChild<QPushButton*>("ClearFinished")->click();
    ASSERT_TRUE(RunUntil([&] { return in->model()->rowCount() == 1; }));
    EXPECT_EQ(Column(in, 0), (QStringList{"f2.mp3"}));
    EXPECT_EQ(w.client.transfers.lists.Size(false), 1u);
}

TEST(TransfersPage, TheExistingFileDialogOffersOverwriteOrANewName) {
    gui::ExistingFileDialog dialog(QStringLiteral("song.mp3"), nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Fichier Existant!");
    auto* choice = dialog.findChild<QComboBox*>();
    auto* name = dialog.findChild<QLineEdit*>();
    ASSERT_TRUE(choice && name);
    EXPECT_EQ(choice->itemText(0), "Overwrite Existing File");
    EXPECT_EQ(choice->itemText(1), "Rename Remote File");
    EXPECT_EQ(name->text(), "song.mp3");
    EXPECT_FALSE(name->isEnabled());  // editable only for a new name
    QTimer::singleShot(0, &dialog, &QDialog::accept);
    EXPECT_EQ(dialog.Ask().choice, UiPort::ExistingFile::Overwrite);

    choice->setCurrentIndex(1);
    EXPECT_TRUE(name->isEnabled());
    name->setText(QStringLiteral("other.mp3"));
    QTimer::singleShot(0, &dialog, &QDialog::accept);
    UiPort::ExistingFile answer = dialog.Ask();
    EXPECT_EQ(answer.choice, UiPort::ExistingFile::Rename);
    EXPECT_EQ(answer.newName, "other.mp3");
    QTimer::singleShot(0, &dialog, &QDialog::reject);
    EXPECT_EQ(dialog.Ask().choice, UiPort::ExistingFile::Cancel);
}
