#include "gui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <future>

#include "app/client.h"
#include "gui/connecting_dialog.h"
#include "gui/notification_box.h"
#include "gui/qt_ui_port.h"
#include "gui/tray_icon.h"
#include "support/scripted_ui.h"
#include "support/test_profile.h"
#include "support/test_window.h"

using namespace tandril;
using namespace std::chrono_literals;
using test::RunUntil;
using test::Window;

TEST(MainWindow, TitleMinimumSizeAndTheFiveTabsInOrder) {
    Window w;
    EXPECT_EQ(w.window.windowTitle(), QStringLiteral("Tandril v2.0 BETA 9"));
    EXPECT_EQ(w.window.minimumSize(), QSize(500, 300));
    w.window.resize(100, 100);
    EXPECT_GE(w.window.width(), 500);
    EXPECT_GE(w.window.height(), 300);
    QTabWidget* tabs = w.window.Tabs();
    const char* texts[] = {"&Chat", "&Fichiers", "&Search", "&Favoris ", "&Transfert"};
    const char* pages[] = {"ChatPage", "MyFilesPage", "SearchPage", "HotListPage", "TransfersPage"};
    ASSERT_EQ(tabs->count(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(tabs->tabText(i), QString::fromUtf8(texts[i]));
        EXPECT_EQ(tabs->widget(i)->objectName(), QString::fromUtf8(pages[i]));
    }
}

TEST(MainWindow, PageSwitcherNumbers) {
    Window w;
    for (int page = 1; page <= 5; ++page) {
        w.window.ShowPage(page, true);
        EXPECT_EQ(w.window.Tabs()->currentIndex(), page - 1);
        EXPECT_EQ(w.client.main.CurrentPage(), page);
    }
    w.window.ShowPage(0, true);
    w.window.ShowPage(6, true);
    w.window.ShowPage(7, true);
    EXPECT_EQ(w.window.Tabs()->currentIndex(), 4);  // web pages open in the browser instead
    EXPECT_EQ(w.opened, (std::vector<std::string>{w.client.state.web.home, w.client.state.web.discover, w.client.state.web.help}));
    // The core asks for a page from any thread.
    std::jthread([&] { w.client.main.ShowPage(MainViewModel::SearchPage); }).join();
    EXPECT_TRUE(RunUntil([&] { return w.window.Tabs()->currentIndex() == 2; }, 5s));
}

TEST(MainWindow, AcceleratorsShowThePages) {
    Window w;
    struct Case {
        Qt::Key key;
        int tab;  // -1: a web page
        const char* url;
    };
    const Case cases[] = {{Qt::Key_S, 2, nullptr}, {Qt::Key_C, 0, nullptr}, {Qt::Key_M, 1, nullptr},    {Qt::Key_L, 3, nullptr},
                          {Qt::Key_T, 4, nullptr}, {Qt::Key_O, -1, "home"}, {Qt::Key_D, -1, "discover"}};
    for (const Case& c : cases) {
        std::size_t before = w.opened.size();
        QTest::keyClick(w.window.Tabs(), c.key, Qt::AltModifier);
        if (c.tab >= 0) {
            EXPECT_EQ(w.window.Tabs()->currentIndex(), c.tab) << c.key;
        } else {
            ASSERT_EQ(w.opened.size(), before + 1) << c.key;
            EXPECT_NE(w.opened.back().find(c.url == std::string("home") ? "tandril.invalid/" : "discover"), std::string::npos);
        }
    }
}

TEST(MainWindow, MenuCommandsAndTheirEnabling) {
    Window w;
    struct Case {
        const char* text;
        bool enabled;
        const char* shortcut;
    };
    const Case cases[] = {
        {"&Connexion", true, ""},
        {"&Déconnexion", true, ""},
        {"&Go Offline", true, ""},
        {"&Préférences", true, ""},
        {"&Quitter", true, ""},
        {"Page d'accueil", true, "Alt+O"},
        {"&Discuter", true, "Alt+C"},
        {"&Mes Fichiers", true, "Alt+M"},
        {"&Rechercher", true, "Alt+S"},
        {"&Favoris", true, "Alt+L"},
        {"&Transfert", true, "Alt+T"},
        {"&Découvrir", true, "Alt+D"},
        {"&Envoyer un Message Personnel", true, ""},
        {"&Ajouter l'Utilisateur aux Favoris", true, ""},
        {"&Visualiser les infos de l'Utilisateurs", true, ""},
        {"&Rejoindre une Salle de Discussion", true, ""},
        {"&Voir la liste des Ignorés", true, ""},
        {"&A propos de Tandril", true, ""},
        {"&Boutique Tandril", true, ""},
    };
    for (const Case& c : cases) {
        QAction* a = w.Action(QString::fromUtf8(c.text));
        ASSERT_NE(a, nullptr) << c.text;
        EXPECT_EQ(a->isEnabled(), c.enabled) << c.text;
        EXPECT_EQ(a->shortcut().toString(), QString::fromUtf8(c.shortcut)) << c.text;
    }
    // Commands that need the server say so while offline.
    for (const char* text : {"&Ajouter l'Utilisateur aux Favoris", "&Rejoindre une Salle de Discussion", "&Voir la liste des Ignorés"}) {
        w.Action(QString::fromUtf8(text))->trigger();
    }
    EXPECT_EQ(w.ui.Texts("alert"), std::vector<std::string>(3, "You must first connect to the server!"));

    w.client.state.connected = true;
    w.Action(QStringLiteral("&Connexion"))->trigger();
    EXPECT_EQ(w.ui.Texts("line"), std::vector<std::string>{"* You are already connected!"});
    w.Action(QStringLiteral("&Déconnexion"))->trigger();
    EXPECT_FALSE(w.client.state.connected);
    EXPECT_EQ(w.ui.Texts("status0").back(), "Disconnected (lea).");
    w.Action(QStringLiteral("&Boutique Tandril"))->trigger();
    EXPECT_EQ(w.opened.back(), w.client.state.web.shop);
    w.Action(QStringLiteral("&Quitter"))->trigger();
    EXPECT_TRUE(w.exited);
}

TEST(MainWindow, StatusBarPartsAre45And55PercentAfterEveryResize) {
    Window w;
    w.client.SetStatusText(0, "Online (lea): Sharing 3 files.");
    std::jthread([&] { w.client.SetStatusText(1, "Currently 1 users sharing 2 files (3 gigs)"); }).join();
    ASSERT_TRUE(RunUntil([&] { return !w.window.StatusPart(1)->text().isEmpty(); }, 5s));
    EXPECT_EQ(w.window.StatusPart(0)->text(), QStringLiteral("Online (lea): Sharing 3 files."));
    for (QSize size : {QSize(1000, 600), QSize(640, 400), QSize(1500, 900)}) {
        w.window.resize(size);
        QCoreApplication::processEvents();
        int bar = w.window.statusBar()->width();
        EXPECT_EQ(w.window.StatusPart(0)->width(), bar * 45 / 100) << size.width();
        int second = w.window.StatusPart(1)->width();
        EXPECT_GE(second, bar * 55 / 100 - 30) << size.width();  // less the sizing grip
        EXPECT_LE(second, bar * 55 / 100 + 1) << size.width();
    }
}

TEST(MainWindow, CloseBoxHidesToTheTrayWhereThereIsOne) {
    Window w(true);
    ASSERT_NE(w.window.Tray(), nullptr);
    EXPECT_EQ(w.window.Tray()->ToolTip(), QStringLiteral("Tandril v2.0 BETA 9.4 - music sharing"));
    w.window.close();
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.window.isVisible());
    EXPECT_FALSE(w.exited);
    EXPECT_FALSE(w.client.state.mainWindowVisible);

    QMenu& menu = w.window.Tray()->Menu();
    QStringList texts;
    for (QAction* a : menu.actions()) {
        if (!a->isSeparator()) texts << a->text();
    }
    EXPECT_EQ(texts, (QStringList{QStringLiteral("&Restaurer"), QStringLiteral("A&grandir"), QStringLiteral("&Réduire"),
                                  QStringLiteral("&Quitter")}));
    auto reduce = menu.findChild<QAction*>(QStringLiteral("trayReduce"));
    menu.findChild<QAction*>(QStringLiteral("trayRestore"))->trigger();
    EXPECT_TRUE(w.window.isVisible());
    Q_EMIT menu.aboutToShow();
    EXPECT_TRUE(reduce->isEnabled());
    w.window.showMinimized();
    QCoreApplication::processEvents();
    Q_EMIT menu.aboutToShow();
    EXPECT_FALSE(reduce->isEnabled());  // greyed while minimised
    menu.findChild<QAction*>(QStringLiteral("trayMaximise"))->trigger();
    EXPECT_TRUE(w.window.isMaximized());
    Q_EMIT menu.aboutToShow();
    reduce->trigger();
    EXPECT_FALSE(w.window.isVisible());
    menu.actions().back()->trigger();  // "&Quitter"
    EXPECT_TRUE(w.exited);
}

TEST(MainWindow, AWindowBroughtBackKeepsItsMaximisedState) {
    Window w(true);
    QMenu& menu = w.window.Tray()->Menu();
    struct Way {
        const char* name;
        std::function<void()> put;    // how the window left the screen
        std::function<void()> bring;  // how it comes back
    };
    const Way ways[] = {
        {"tray from hidden", [&] { w.window.close(); }, [&] { menu.findChild<QAction*>(QStringLiteral("trayRestore"))->trigger(); }},
        {"tray from minimised", [&] { w.window.showMinimized(); },
         [&] { menu.findChild<QAction*>(QStringLiteral("trayRestore"))->trigger(); }},
        {"second start", [&] { w.window.close(); }, [&] { Q_EMIT w.client.raiseRequested(); }},
        {"second start, minimised", [&] { w.window.showMinimized(); }, [&] { Q_EMIT w.client.raiseRequested(); }},
        {"page shown", [&] { w.window.showMinimized(); }, [&] { w.window.ShowPage(MainViewModel::SearchPage, true); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        w.window.showMaximized();
        QCoreApplication::processEvents();
        way.put();
        QCoreApplication::processEvents();
        way.bring();
        QCoreApplication::processEvents();
        EXPECT_TRUE(w.window.isVisible());
        EXPECT_FALSE(w.window.isMinimized());
        EXPECT_TRUE(w.window.isMaximized());
        EXPECT_TRUE(w.client.state.mainWindowMaximised);
    }
    // A window that was not maximised comes back as it was.
    w.window.showNormal();
    w.window.setGeometry(40, 30, 700, 450);
    QCoreApplication::processEvents();
    w.window.close();
    Q_EMIT w.client.raiseRequested();
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.window.isVisible());
    EXPECT_FALSE(w.window.isMaximized());
    EXPECT_EQ(w.window.geometry(), QRect(40, 30, 700, 450));
}

TEST(MainWindow, WithoutATrayTheCloseBoxMinimises) {
    Window w(false);
    EXPECT_EQ(w.window.Tray(), nullptr);
    w.window.close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.window.isMinimized());
    EXPECT_FALSE(w.exited);
}

TEST(NotificationBox, AnAlertFromAWorkerWhileTheWindowIsHiddenDoesNotBlock) {
    Window w;
    gui::QtUiPort port;
    port.SetMainWindow(&w.window, [&] { return w.client.state.mainWindowVisible && !w.client.state.mainWindowMinimised; });
    w.window.hide();
    QCoreApplication::processEvents();
    // The worker returns without the GUI thread doing anything for it.
    auto done = std::async(std::launch::async, [&] { port.ShowAlert(AlertKind::Modal, "Disconnected from server!"); });
    EXPECT_EQ(done.wait_for(5s), std::future_status::ready);
    gui::NotificationBox* box = nullptr;
    ASSERT_TRUE(RunUntil(
        [&] {
            box = w.window.findChild<gui::NotificationBox*>();
            return box && box->isVisible();
        },
        5s));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Tandril Notification"));
    EXPECT_FALSE(box->isModal());
    box->accept();
}

TEST(ConnectingDialog, FollowsItsModelAndCancels) {
    Window w;
    gui::ConnectingDialog dialog(w.client, &w.window);
    w.client.dialog.MarkOpen();
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Statut Utilisateur"));
    auto* button = dialog.findChild<QPushButton*>();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("Annuler"));
    std::jthread([&] {
        w.client.dialog.SetStatus("Impossible de se connecter !");
        w.client.dialog.SetButtonText("OK");
    }).join();
    ASSERT_TRUE(RunUntil([&] { return button->text() == QStringLiteral("OK"); }, 5s));
    auto labels = dialog.findChildren<QLabel*>();
    EXPECT_TRUE(
        std::any_of(labels.begin(), labels.end(), [](QLabel* l) { return l->text() == QStringLiteral("Impossible de se connecter !"); }));
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(RunUntil([&] { return !dialog.isVisible(); }, 5s));
    EXPECT_TRUE(w.client.state.connectCancelled);
    EXPECT_FALSE(w.client.dialog.IsOpen());
}
