#include "gui/chat/chat_view_widget.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include "chat/chat_url.h"
#include "chat/rtf_line.h"
#include "chat/scroll_rule.h"

namespace tandril::gui {

namespace {

QColor ToQColor(std::uint32_t c) {
    return QColor(chat::Red(c), chat::Green(c), chat::Blue(c));
}

// Wrapped lines start further right than a line's first row (a hanging indent of 600 twips).
constexpr qreal kHangingIndent = 40;

chat::ScrollState ReadScroll(const QTextBrowser& view) {
    const QScrollBar* bar = view.verticalScrollBar();
    return {bar->maximum() + bar->pageStep(), bar->pageStep(), bar->value(), view.document()->blockCount()};
}

}  // namespace

ChatViewWidget::ChatViewWidget(const chat::ChatView& view, std::function<void(const QUrl&)> openUrl, QWidget* parent)
    : QTextBrowser(parent), view_(view), openUrl_(std::move(openUrl)) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setUndoRedoEnabled(false);
    document()->setUndoRedoEnabled(false);
    QFont f = font();
    f.setPointSize(10);  // every line is drawn at 20 half-points
    setFont(f);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        std::string word = QByteArray::fromPercentEncoding(link.toString(QUrl::FullyEncoded).toLatin1()).toStdString();
        if (word.size() < 128 && chat::IsChatUrl(word, 127)) openUrl_(QUrl(QString::fromStdString(word)));
    });
    connect(&view, &chat::ChatView::lineAppended, this, &ChatViewWidget::OnLineAppended);
    connect(&view, &chat::ChatView::cleared, this, &QTextBrowser::clear);
    Redraw();
}

void ChatViewWidget::SetSingleLine(bool single) {
    setVerticalScrollBarPolicy(single ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(single ? QTextEdit::NoWrap : QTextEdit::WidgetWidth);
    if (single) setFixedHeight(fontMetrics().lineSpacing() + 2 * frameWidth() + 8);
}

void ChatViewWidget::ApplyScheme(const chat::ColorScheme& scheme) {
    QPalette p = palette();
    p.setColor(QPalette::Base, ToQColor(scheme.background));
    p.setColor(QPalette::Text, ToQColor(scheme.SchemeColor("Input")));
    setPalette(p);
}

void ChatViewWidget::Redraw() {
    clear();
    for (const auto& line : view_.Lines()) DrawLine(line);
    DropFromStart(view_.HeadTrim());
}

void ChatViewWidget::DropFromStart(int characters) {
    if (characters <= 0) return;
    QTextCursor cursor(document());
    cursor.setPosition(0);
    cursor.setPosition(std::min(characters, document()->characterCount() - 1), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void ChatViewWidget::DrawLine(const chat::ChatViewLine& line) {
    chat::RtfLine rtf = chat::ParseRtfLine(line.rtf);
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    int lineStart = cursor.position();
    for (const chat::RtfRun& run : rtf.runs) {
        if (run.text == "\n") {
            QTextBlockFormat block;
            block.setLeftMargin(kHangingIndent);
            block.setTextIndent(-kHangingIndent);
            cursor.insertBlock(block);
            continue;
        }
        QTextCharFormat format;
        if (run.color > 0 && static_cast<std::size_t>(run.color) < rtf.colors.size()) format.setForeground(ToQColor(rtf.colors[run.color]));
        format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
        format.setFontUnderline(run.underline);
        cursor.insertText(QString::fromStdString(run.text), format);
    }
    if (lineStart == 0) {
        QTextBlockFormat block;
        block.setLeftMargin(kHangingIndent);
        block.setTextIndent(-kHangingIndent);
        QTextCursor(document()).setBlockFormat(block);
    }
    for (const chat::ChatLink& link : line.links) {
        QTextCursor select(document());
        select.setPosition(lineStart + link.start);
        select.setPosition(lineStart + link.start + link.length, QTextCursor::KeepAnchor);
        QTextCharFormat anchor;
        anchor.setAnchor(true);
        // The word exactly as shown (brackets and all) goes through the link; it is tidied on a click.
        anchor.setAnchorHref(QString::fromLatin1(QByteArray::fromStdString(link.text).toPercentEncoding()));
        select.mergeCharFormat(anchor);
    }
}

void ChatViewWidget::OnLineAppended(int drop) {
    chat::ScrollState before = ReadScroll(*this);
    DropFromStart(drop);
    DrawLine(view_.Lines().back());
    chat::ScrollState after = ReadScroll(*this);
    chat::ScrollDecision decision = chat::ScrollAfterAppend(before, after);
    QScrollBar* bar = verticalScrollBar();
    if (decision.follow) {
        if (decision.scrollLines > 0) bar->setValue(bar->maximum());
    } else {
        bar->setValue(before.position);  // the view stays where the user left it
    }
}

}  // namespace tandril::gui
