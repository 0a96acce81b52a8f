// Appends 50,000 lines to one chat view drawn by the real widget (half of them with an address
// to mark) and prints the median and 99th-percentile time per line and the memory the view took.
// Run with QT_QPA_PLATFORM=offscreen on a machine without a display.

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "chat/chat_line.h"
#include "chat/chat_view.h"
#include "chat/color_scheme.h"
#include "gui/chat/chat_view_widget.h"

namespace {

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::stoi(argv[1]) : 50000;
    tandril::chat::ColorSchemes schemes;
    tandril::chat::ChatView view;
    tandril::gui::ChatViewWidget widget(view, [](const QUrl&) {});
    widget.resize(800, 500);
    widget.show();
    QCoreApplication::processEvents();
    long before = ResidentKilobytes();

    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(lines));
    for (int i = 0; i < lines; ++i) {
        std::string text = i % 2 ? "* line " + std::to_string(i) + " see www.example.org/page" + std::to_string(i) + " for more"
                                 : "<user" + std::to_string(i % 97) + "> a plain chat line number " + std::to_string(i);
        auto start = std::chrono::steady_clock::now();
        tandril::chat::AppendChatLine(view, schemes.white, i % 2 ? "System message" : "User message", text, {i % 2 == 1, false});
        auto end = std::chrono::steady_clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        if (i % 1000 == 0) QCoreApplication::processEvents();
    }
    long after = ResidentKilobytes();
    std::sort(micros.begin(), micros.end());
    auto at = [&](double q) { return micros[static_cast<std::size_t>(q * (micros.size() - 1))]; };
    std::printf("lines: %d (half with an address), view text: %d characters (limit %d)\n", lines, view.TextLength(), view.TextLimit());
    std::printf("per line: median %.1f us, p99 %.1f us, max %.1f us\n", at(0.5), at(0.99), micros.back());
    std::printf("memory: %ld KiB resident before, %ld KiB after (+%ld KiB)\n", before, after, after - before);
    return 0;
}
