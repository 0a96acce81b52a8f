#include "gui/main_menu.h"

#include <QMenuBar>
#include <QMessageBox>

#include "app/client.h"
#include "app/startup.h"
#include "gui/chat/ignore_list_dialog.h"
#include "gui/chat/instant_message_windows.h"
#include "gui/main_window.h"
#include "gui/people_prompts.h"
#include "gui/preferences/preferences_dialog.h"
#include "session/reconnect.h"
#include "session/server_disconnect.h"

namespace tandril::gui {

namespace {

// Commands that need the server say so while offline.
std::function<void()> RequiringConnection(Client& client, std::function<void()> command) {
    return [&client, command = std::move(command)] {
        if (!client.state.connected) {
            client.ui.ShowAlert(AlertKind::Modal, "You must first connect to the server!");
            return;
        }
        command();
    };
}

QAction* Add(QMenu* menu, const char* text, std::function<void()> command) {
    QAction* action = menu->addAction(QString::fromUtf8(text));
    QObject::connect(action, &QAction::triggered, menu, std::move(command));
    return action;
}

}  // namespace

void BuildMainMenu(MainWindow& w) {
    Client& c = w.client();
    QMenuBar* bar = w.menuBar();

    QMenu* program = bar->addMenu(QStringLiteral("&Programme"));
    Add(program, "&Connexion", [&c] { session::ConnectCommand(c.session); });
    Add(program, "&Déconnexion", [&c] { session::ServerDisconnect(c.session, true); });
    Add(program, "&Go Offline", [&c] { GoOffline(c); });
    program->addSeparator();
    Add(program, "&Préférences", [&w, &c] { ShowPreferences(c, &w); });
    program->addSeparator();
    Add(program, "&Quitter", [&w] { w.Quit(); });

    QMenu* view = bar->addMenu(QStringLiteral("&Affichage"));
    const char* pages[] = {"Page d'accueil", "&Discuter", "&Mes Fichiers", "&Rechercher", "&Favoris", "&Transfert", "&Découvrir"};
    const char* keys[] = {"Alt+O", "Alt+C", "Alt+M", "Alt+S", "Alt+L", "Alt+T", "Alt+D"};
    for (int page = 0; page < 7; ++page) {
        QAction* action = Add(view, pages[page], [&w, page] { w.ShowPage(page, true); });
        // Shown in the menu; the keys themselves are translated by the window's accelerator table.
        action->setShortcut(QKeySequence(QString::fromLatin1(keys[page])));
        action->setShortcutContext(Qt::WidgetShortcut);
    }

    new InstantMessageWindows(w);  // owned by the main window
    QMenu* users = bar->addMenu(QStringLiteral("&Utilisateurs"));
    Add(users, "&Envoyer un Message Personnel", [&w] { PromptInstantMessage(w); });
    Add(users, "&Ajouter l'Utilisateur aux Favoris", [&w] { PromptAddHotListUser(w); });
    Add(users, "&Visualiser les infos de l'Utilisateurs", [&w] { PromptUserInfo(w); });
    Add(users, "&Rejoindre une Salle de Discussion", RequiringConnection(c, [] {}));
    Add(users, "&Voir la liste des Ignorés", [&w] { ShowIgnoreList(w); });

    QMenu* help = bar->addMenu(QStringLiteral("A&ide"));
    Add(help, "&Aide de Tandril", [&w] { w.ShowPage(MainViewModel::HelpPage, true); });
    Add(help, "&Boutique Tandril", [&w, &c] { w.options().openUrl(QUrl(QString::fromStdString(c.state.web.shop))); });
    help->addSeparator();
    Add(help, "&A propos de Tandril", [&w] {
        if (w.isMinimized()) w.Restore();
        QMessageBox::about(&w, QStringLiteral("A propos de Tandril"),
                           QStringLiteral("%1\n\nA client for the Tandril music-sharing community.").arg(QString::fromUtf8(kWindowTitle)));
    });
}

}  // namespace tandril::gui
