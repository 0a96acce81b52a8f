#pragma once
// The personal-messages window "Private" as far as the connection needs it: the system lines
// ("* text") that notices write there. The chat windows proper grow from here.

#include <QObject>
#include <QString>
#include <mutex>
#include <string>
#include <vector>

namespace tandril::chat {

class PersonalMessages : public QObject {
    Q_OBJECT
public:
    // A system line: an asterisk, a blank and the text. Callable from any thread.
    void ShowSystemLine(const std::string& text);
    // The personal-messages window and the current chat window when that is another one; while
    // "Private" is the only window, both are the same.
    void ShowInBothWindows(const std::string& text) { ShowSystemLine(text); }
    std::vector<std::string> Lines() const;

Q_SIGNALS:
    void lineAdded(const QString& line);

private:
    mutable std::mutex lock_;
    std::vector<std::string> lines_;
};

}  // namespace tandril::chat
