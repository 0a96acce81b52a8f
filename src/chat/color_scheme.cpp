#include "chat/color_scheme.h"

#include "base/config_store.h"
#include "base/settings.h"
#include "base/text.h"
#include "base/ui_port.h"

namespace tandril::chat {

const std::vector<DefaultItem>& DefaultItemTable() {
    static const std::vector<DefaultItem> table = {
        {"Input", Rgb(0, 0, 0), Rgb(192, 192, 192)},
        {"Black", Rgb(0, 0, 0), Rgb(0, 0, 0)},
        {"White", Rgb(255, 255, 255), Rgb(255, 255, 255)},
        {"My Message", Rgb(0, 0, 128), Rgb(255, 255, 0)},
        {"User Message", Rgb(0, 0, 0), Rgb(192, 192, 192)},
        {"Topic", Rgb(0, 128, 0), Rgb(0, 192, 0)},
        {"Number of Channel Users", Rgb(0, 0, 0), Rgb(192, 192, 192)},
        {"User Join", Rgb(0, 128, 128), Rgb(0, 192, 192)},
        {"User Part", Rgb(192, 0, 0), Rgb(192, 0, 0)},
        {"License", Rgb(0, 0, 0), Rgb(192, 192, 192)},
        {"MOTD", Rgb(0, 0, 128), Rgb(255, 0, 0)},
        {"URL", Rgb(0, 0, 255), Rgb(0, 0, 255)},
        {"System Message", Rgb(255, 0, 0), Rgb(255, 255, 0)},
        {"Progress bar (download)", Rgb(50, 50, 225), Rgb(0, 0, 255)},
        {"Progress bar (upload)", Rgb(255, 255, 0), Rgb(255, 255, 0)},
        {"Emotion (/me)", Rgb(0, 0, 128), Rgb(0, 0, 192)},
        {"Opsay", Rgb(0, 128, 0), Rgb(0, 192, 0)},
        {"ListView Text", Rgb(0, 0, 0), Rgb(255, 255, 255)},
        {"Announcement", Rgb(128, 0, 0), Rgb(255, 0, 0)},
        {"Receive Message (IRC)", Rgb(0, 128, 128), Rgb(0, 128, 128)},
        {"Send Message (IRC)", Rgb(50, 50, 255), Rgb(50, 50, 255)},
        {"User Information", Rgb(0, 0, 0), Rgb(192, 192, 192)},
        {"About", Rgb(0, 0, 0), Rgb(192, 192, 192)},
    };
    return table;
}

int ColorScheme::IndexLocked(std::string_view item) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (EqualsNoCase(entries_[i].name, item)) return static_cast<int>(i) + 1;
    }
    return 0;
}

std::string ColorScheme::SchemeColorCode(std::string_view item) const {
    std::scoped_lock lock(lock_);
    int index = IndexLocked(item);
    return Format(55, "\\fs20\\cf%d ", index == 0 ? 1 : index);
}

int ColorScheme::SchemeColorIndex(std::string_view item) const {
    std::scoped_lock lock(lock_);
    return IndexLocked(item);
}

std::uint32_t ColorScheme::SchemeColor(std::string_view item) const {
    std::scoped_lock lock(lock_);
    int index = IndexLocked(item);
    return index == 0 ? 0 : entries_[static_cast<std::size_t>(index) - 1].color;
}

bool ColorScheme::SetSchemeColor(std::string_view item, std::uint32_t color, bool rebuild) {
    std::scoped_lock lock(lock_);
    if (int index = IndexLocked(item)) {
        entries_[static_cast<std::size_t>(index) - 1].color = color;
    } else if (entries_.size() < kMaxSchemeEntries) {
        entries_.push_back({color, CutText(item, 55)});
    } else {
        return false;
    }
    if (rebuild) BuildColorTableLocked();
    return true;
}

void ColorScheme::BuildColorTableLocked() {
    colorTable_ = "{\\colortbl ;";
    for (const ColorEntry& e : entries_) {
        colorTable_ += Format(64, "\\red%u\\green%u\\blue%u;", Red(e.color), Green(e.color), Blue(e.color));
    }
    colorTable_ += "}";
}

void ColorScheme::BuildColorTable() {
    std::scoped_lock lock(lock_);
    BuildColorTableLocked();
}

std::string ColorScheme::ColorTable() const {
    std::scoped_lock lock(lock_);
    return colorTable_;
}

std::vector<ColorEntry> ColorScheme::Entries() const {
    std::scoped_lock lock(lock_);
    return entries_;
}

void ColorScheme::FillDefaults(bool blackBackground) {
    {
        std::scoped_lock lock(lock_);
        entries_.clear();
        for (const DefaultItem& item : DefaultItemTable()) entries_.push_back({blackBackground ? item.black : item.white, item.name});
        BuildColorTableLocked();
    }
    background = blackBackground ? Rgb(0, 0, 0) : Rgb(255, 255, 255);
}

void CopyColorScheme(const ColorScheme& from, ColorScheme& to) {
    if (&from == &to) return;
    std::scoped_lock lock(from.lock_, to.lock_);
    to.background = from.background;
    to.entries_ = from.entries_;
    to.fontFace = from.fontFace;
    to.bold = from.bold;
    to.italic = from.italic;
    to.fontSize = from.fontSize;
    to.colorTable_ = from.colorTable_;
}

bool SetSchemeColor(ColorScheme& scheme, std::string_view item, std::uint32_t color, bool rebuild, UiPort& ui) {
    if (scheme.SetSchemeColor(item, color, rebuild)) return true;
    ui.ShowAlert(AlertKind::Modal, "Color table overflow (handled gracefully)...", Icon::Exclamation);
    return false;
}

ColorSchemes::ColorSchemes() : current_(&white) {
    white.name = kSchemeWhite;
    white.FillDefaults(false);
    black.name = kSchemeBlack;
    black.FillDefaults(true);
    custom.name = kSchemeCustom;
    custom.FillDefaults(false);
}

void ColorSchemes::SelectCurrent(std::string_view name) {
    if (EqualsNoCase(name, kSchemeBlack)) {
        current_ = &black;
    } else if (EqualsNoCase(name, kSchemeCustom)) {
        current_ = &custom;
    } else {
        current_ = &white;
    }
}

std::string SchemeKey(std::string_view userName, std::string_view schemeName) {
    return std::string(kRootKey) + "\\" + std::string(userName) + "\\Schemes\\" + std::string(schemeName);
}

void LoadColorScheme(ColorScheme& scheme, std::string_view name, const ConfigStore& store, std::string_view userName) {
    if (EqualsNoCase(name, kSchemeWhite) || EqualsNoCase(name, kSchemeBlack)) {
        scheme.FillDefaults(EqualsNoCase(name, kSchemeBlack));
    } else if (auto key = store.OpenKey(SchemeKey(userName, name))) {
        for (const DefaultItem& item : DefaultItemTable()) {
            if (auto v = store.GetValue(*key, item.name)) {
                scheme.SetSchemeColor(item.name, static_cast<std::uint32_t>(DecimalValue(CutText(*v, 50))), false);
            }
        }
        auto number = [&](const char* value) { return store.GetValue(*key, value); };
        if (auto v = number("background")) scheme.background = static_cast<std::uint32_t>(DecimalValue(*v));
        if (auto v = number("FontSize")) scheme.fontSize = static_cast<int>(DecimalValue(*v));
        if (auto v = number("FontFace")) scheme.fontFace = CutText(*v, 31);
        if (auto v = number("Bold")) scheme.bold = DecimalValue(*v) != 0;
        if (auto v = number("Italic")) scheme.italic = DecimalValue(*v) != 0;
    }
    scheme.name = CutText(name, 55);
    scheme.BuildColorTable();
}

bool SaveColorScheme(const ColorScheme& scheme, ConfigStore& store, std::string_view userName) {
    if (userName.empty()) return true;
    ConfigKey key = store.CreateKey(SchemeKey(userName, scheme.name));
    for (const ColorEntry& e : scheme.Entries()) store.SetValue(key, e.name, std::to_string(e.color));
    store.SetValue(key, "background", std::to_string(scheme.background));
    store.SetValue(key, "FontSize", std::to_string(scheme.fontSize));
    store.SetValue(key, "FontFace", scheme.fontFace);
    store.SetValue(key, "Bold", std::to_string(scheme.bold ? 1 : 0));
    store.SetValue(key, "Italic", std::to_string(scheme.italic ? 1 : 0));
    return store.Flush();
}

}  // namespace tandril::chat
