#include "support/scripted_ui.h"

#include <QEventLoop>
#include <thread>

namespace tandril::test {

void ScriptedUi::Record(Event e) {
    std::scoped_lock lock(lock_);
    events_.push_back(std::move(e));
}

void ScriptedUi::ShowAlert(AlertKind kind, const std::string& text, Icon icon) {
    Record({kind == AlertKind::Modal ? "alert" : "alert-modeless", text,
            icon == Icon::Error ? "Tandril Notification" : "Tandril Notification (warning)"});
}

Answer ScriptedUi::Ask(const Question& q) {
    Record({"question", q.text, q.caption});
    if (whileAsking) whileAsking();
    std::scoped_lock lock(lock_);
    if (script_.empty()) return defaultAnswer;
    Answer a = script_.front();
    script_.pop_front();
    return a;
}

bool ScriptedUi::AcceptTermsOfUse() {
    Record({"terms", acceptTerms ? "Oui" : "Non", ""});
    return acceptTerms;
}

void ScriptedUi::ShowFatalError(const std::string& text) {
    Record({"fatal", text, "Tandril"});
}

UiPort::Credentials ScriptedUi::AskInvalidPassword(const std::string& user, const std::string& password) {
    Record({"invalid-password", user + " " + password, "Mot de Passe Invalide!"});
    if (whileAsking) whileAsking();
    return invalidPasswordAnswer;
}

WizardButton ScriptedUi::ShowWizardPage(WizardPage page, WizardData& data) {
    static const char* const kNames[] = {"Informations sur votre connexion", "Configuration de Tandril", "Informations Optionnelles",
                                         "Dossiers Partagés", "Répertoire de Téléchargement"};
    Record({"page", kNames[static_cast<int>(page)], ""});
    std::function<WizardButton(WizardPage, WizardData&)> next;
    {
        std::scoped_lock lock(lock_);
        if (wizardScript.empty()) return WizardButton::Cancel;
        next = std::move(wizardScript.front());
        wizardScript.pop_front();
    }
    return next(page, data);
}

void ScriptedUi::ShowWaitWindow(const std::string& text) {
    if (!text.empty()) Record({"wait", text, ""});
}

int ScriptedUi::AskDataPortSettings() {
    Record({"data-port-settings", std::to_string(dataPortAnswer), "Paramètres Serveur de vos fichiers"});
    return dataPortAnswer;
}

bool ScriptedUi::AskRetryRegistration() {
    Record({"registration-problem", retryAnswer ? "Recommencer" : "Quitter", "Problème d'enregistrement"});
    return retryAnswer;
}

std::optional<std::string> ScriptedUi::AskText(const std::string& caption, const std::string& prompt, std::size_t maxLength) {
    std::optional<std::string> answer;
    {
        std::scoped_lock lock(lock_);
        if (!textAnswers.empty()) {
            answer = textAnswers.front();
            textAnswers.pop_front();
        }
    }
    Record({"input", prompt, caption});
    if (whileAsking) whileAsking();
    if (answer && answer->size() > maxLength) answer->resize(maxLength);
    return answer;
}

UiPort::InvitationChoice ScriptedUi::AskInvitation(const std::string& inviter, const std::string& channel, const std::string& topic, bool) {
    InvitationChoice answer = InvitationChoice::Decline;
    {
        std::scoped_lock lock(lock_);
        if (!invitationAnswers.empty()) {
            answer = invitationAnswers.front();
            invitationAnswers.pop_front();
        }
    }
    Record({"invitation", "User " + inviter + " has invited you to a chat room! " + channel + " " + topic, "Invitation à une Discussion!"});
    if (whileAsking) whileAsking();
    return answer;
}

bool ScriptedUi::AskPartialTransfer(const std::string& baseName) {
    bool keep = true;
    {
        std::scoped_lock lock(lock_);
        if (!partialTransferAnswers.empty()) {
            keep = partialTransferAnswers.front();
            partialTransferAnswers.pop_front();
        }
    }
    Record({"partial-transfer", baseName, "Le Transfert à échoué !"});
    if (whileAsking) whileAsking();
    return keep;
}

UiPort::ExistingFile ScriptedUi::AskExistingFile(const std::string& baseName) {
    ExistingFile answer;
    {
        std::scoped_lock lock(lock_);
        if (!existingFileAnswers.empty()) {
            answer = existingFileAnswers.front();
            existingFileAnswers.pop_front();
        }
    }
    Record({"existing-file", baseName, "Fichier Existant!"});
    if (whileAsking) whileAsking();
    return answer;
}

bool ScriptedUi::AskBothFirewalledDownload(const std::string& remoteName) {
    Record({"both-firewalled-download", remoteName, "Conflit avec le Firewall!"});
    if (whileAsking) whileAsking();
    return notFirewalledAnswer;
}

bool ScriptedUi::AskBothFirewalled(const std::string& user) {
    Record({"both-firewalled", user, "Conflit avec le Firewall!"});
    if (whileAsking) whileAsking();
    return notFirewalledAnswer;
}

void ScriptedUi::Script(std::vector<Answer> answers) {
    std::scoped_lock lock(lock_);
    script_.assign(answers.begin(), answers.end());
}

void ScriptedUi::Watch(Client& client) {
    auto d = Qt::DirectConnection;
    QObject::connect(
        &client.dialog, &ConnectingDialogModel::statusChanged, &client,
        [this](const QString& t) {
            Record({"dialog", t.toStdString(), ""});
        },
        d);
    QObject::connect(
        &client.dialog, &ConnectingDialogModel::secondLineChanged, &client,
        [this](const QString& t) {
            Record({"dialog2", t.toStdString(), ""});
        },
        d);
    QObject::connect(
        &client.dialog, &ConnectingDialogModel::buttonTextChanged, &client,
        [this](const QString& t) {
            Record({"button", t.toStdString(), ""});
        },
        d);
    QObject::connect(
        &client.dialog, &ConnectingDialogModel::closed, &client,
        [this](int r) {
            Record({"closed", std::to_string(r), ""});
        },
        d);
    QObject::connect(
        &client.main, &MainViewModel::statusTextChanged, &client,
        [this](int part, const QString& t) {
            Record({"status" + std::to_string(part), t.toStdString(), ""});
        },
        d);
    QObject::connect(
        &client.chat, &chat::ChatWindows::lineShown, &client,
        [this](const QString& window, const QString& t) {
            Record({"line", t.toStdString(), window.toStdString()});
        },
        d);
}

std::vector<ScriptedUi::Event> ScriptedUi::Events() const {
    std::scoped_lock lock(lock_);
    return events_;
}

std::vector<std::string> ScriptedUi::Texts(const std::string& kind) const {
    std::vector<std::string> texts;
    for (const auto& e : Events()) {
        if (e.kind == kind) texts.push_back(e.text);
    }
    return texts;
}

bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    auto until = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace tandril::test
