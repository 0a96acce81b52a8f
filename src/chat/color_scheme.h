#pragma once
// Colour schemes of the chat views: the colour of every display item, the background and the
// font, and the RTF colour table built from them. Colours are 0x00BBGGRR.

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tandril {
class ConfigStore;
class UiPort;
}  // namespace tandril

namespace tandril::chat {

inline constexpr std::size_t kMaxSchemeEntries = 512;
inline constexpr const char* kSchemeWhite = "Color Scheme #1 (White Background)";
inline constexpr const char* kSchemeBlack = "Color Scheme #2 (Black Background)";
inline constexpr const char* kSchemeCustom = "Custom Color Scheme";

constexpr std::uint32_t Rgb(unsigned r, unsigned g, unsigned b) {
    return r | (g << 8) | (b << 16);
}
constexpr unsigned Red(std::uint32_t c) {
    return c & 0xFF;
}
constexpr unsigned Green(std::uint32_t c) {
    return (c >> 8) & 0xFF;
}
constexpr unsigned Blue(std::uint32_t c) {
    return (c >> 16) & 0xFF;
}

struct DefaultItem {
    const char* name;
    std::uint32_t white;  // colour in scheme #1
    std::uint32_t black;  // colour in scheme #2
};
// The 23 display items in their order.
const std::vector<DefaultItem>& DefaultItemTable();

struct ColorEntry {
    std::uint32_t color = 0;
    std::string name;  // at most 55 characters
};

class ColorScheme {
public:
    ColorScheme() = default;
    ColorScheme(const ColorScheme&) = delete;
    ColorScheme& operator=(const ColorScheme&) = delete;

    // "\fs20\cf%d " for the item: its 1-based position, or 1 when the item is unknown.
    std::string SchemeColorCode(std::string_view item) const;
    // 1-based position of the item, 0 when absent.
    int SchemeColorIndex(std::string_view item) const;
    // The item's colour, 0 when absent.
    std::uint32_t SchemeColor(std::string_view item) const;
    // Sets or adds an item; false when the table is full (512 items) and nothing changed.
    bool SetSchemeColor(std::string_view item, std::uint32_t color, bool rebuild);
    void BuildColorTable();
    std::string ColorTable() const;
    std::vector<ColorEntry> Entries() const;

    // The fixed schemes fill from the default table; others load from the store when there.
    void FillDefaults(bool blackBackground);

    std::string name;
    std::uint32_t background = Rgb(255, 255, 255);
    int fontSize = 10;
    std::string fontFace = "Sans Serif";
    bool bold = false;
    bool italic = false;

    friend void CopyColorScheme(const ColorScheme& from, ColorScheme& to);

private:
    int IndexLocked(std::string_view item) const;
    void BuildColorTableLocked();

    mutable std::mutex lock_;
    std::vector<ColorEntry> entries_;
    std::string colorTable_;
};

void CopyColorScheme(const ColorScheme& from, ColorScheme& to);
// SetSchemeColor that tells the user when the table is full.
bool SetSchemeColor(ColorScheme& scheme, std::string_view item, std::uint32_t color, bool rebuild, UiPort& ui);

// The three schemes of a client and which one is current.
class ColorSchemes {
public:
    ColorSchemes();
    ColorScheme white;
    ColorScheme black;
    ColorScheme custom;
    ColorScheme& Current() const { return *current_; }
    // By name: scheme #2 and the custom one by their exact names (any case), anything else #1.
    void SelectCurrent(std::string_view name);

private:
    ColorScheme* current_;
};

// The store key of a user's scheme: Software\Tandril\<user>\Schemes\<scheme name>.
std::string SchemeKey(std::string_view userName, std::string_view schemeName);
void LoadColorScheme(ColorScheme& scheme, std::string_view name, const ConfigStore& store, std::string_view userName);
// False when the store could not be written.
bool SaveColorScheme(const ColorScheme& scheme, ConfigStore& store, std::string_view userName);

}  // namespace tandril::chat
