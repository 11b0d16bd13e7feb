#include "view/theme.h"

#include <array>
#include <utility>

namespace {

// %1 group-box title background, %2 accent, %3 soft accent surface.
const char *const styleSheetTemplate = R"(QWidget {
    color: #1d3442;
    font-family: "Microsoft YaHei UI", "Segoe UI", sans-serif;
    font-size: 13px;
}
QWidget#AppRoot {
    background: transparent;
}
QScrollArea#ControlScroll {
    background: rgba(248, 250, 252, 245);
    border: 1px solid #c3d2db;
    border-radius: 8px;
}
QScrollArea#ControlScroll > QWidget > QWidget, QWidget#ControlPanel {
    background: rgba(248, 250, 252, 245);
}
QLabel#PanelTitle {
    color: #163343;
    font-size: 20px;
    font-weight: 700;
    padding: 2px 0 0 2px;
}
QLabel#PanelSubtitle {
    color: %2;
    font-size: 11px;
    letter-spacing: 0px;
    padding: 0 0 8px 2px;
}
QGroupBox {
    background: rgba(255, 255, 255, 245);
    border: 1px solid #c7d6df;
    border-radius: 8px;
    margin-top: 14px;
    padding: 7px 8px 7px 8px;
    font-weight: 600;
}
QGroupBox::title {
    subcontrol-origin: margin;
    subcontrol-position: top left;
    left: 12px;
    padding: 0 8px;
    color: %2;
    background: %1;
}
QLabel {
    color: #365261;
}
QLabel#ValueLabel {
    color: #17313f;
    background: #ffffff;
    border: 1px solid #b9cbd5;
    border-radius: 5px;
    padding: 2px 6px;
    font-family: "Consolas", "Microsoft YaHei UI", monospace;
}
QSpinBox#ValueEditor, QDoubleSpinBox#ValueEditor {
    color: #17313f;
    background: #ffffff;
    border: 1px solid #b9cbd5;
    border-radius: 5px;
    padding: 2px 6px;
    min-height: 20px;
    font-family: "Consolas", "Microsoft YaHei UI", monospace;
    selection-background-color: %2;
    selection-color: #031018;
}
QSpinBox#ValueEditor:focus, QDoubleSpinBox#ValueEditor:focus {
    border-color: %2;
}
QSpinBox#ValueEditor:disabled, QDoubleSpinBox#ValueEditor:disabled {
    color: #96a5ad;
    background: #edf1f3;
    border-color: #d5dfe4;
}
QLabel#StatusPill {
    color: %2;
    background: %3;
    border: 1px solid %2;
    border-radius: 7px;
    padding: 4px 8px;
    font-weight: 600;
}
QComboBox {
    color: #17313f;
    background: #ffffff;
    border: 1px solid #b9cbd5;
    border-radius: 6px;
    padding: 5px 9px;
    min-height: 22px;
}
QComboBox:hover {
    border-color: %2;
}
QComboBox::drop-down {
    border: none;
    width: 24px;
}
QComboBox QAbstractItemView {
    color: #17313f;
    background: #ffffff;
    border: 1px solid #9db9c8;
    selection-background-color: %3;
}
QPushButton {
    background: #ffffff;
    border: 1px solid #aec4d0;
    border-radius: 6px;
    color: #234353;
    padding: 4px 9px;
    min-height: 22px;
    font-weight: 600;
}
QPushButton:hover {
    background: %3;
    border-color: %2;
}
QPushButton:pressed {
    background: #d7edf3;
}
QPushButton:disabled {
    color: #9ba9b0;
    background: #edf1f3;
    border-color: #d3dde2;
}
QPushButton#PrimaryButton {
    color: #ffffff;
    background: %2;
    border-color: %2;
}
QPushButton#PrimaryButton:hover {
    background: #17b5d8;
}
QPushButton#PrimaryButton:disabled {
    color: #9aa8af;
    background: #e4eaed;
    border-color: #d0dadd;
}
QCheckBox {
    spacing: 8px;
    color: #294958;
}
QCheckBox::indicator {
    width: 16px;
    height: 16px;
    border-radius: 4px;
    border: 1px solid #9eb7c4;
    background: #ffffff;
}
QCheckBox::indicator:checked {
    background: %2;
    border-color: %2;
}
QSlider::groove:horizontal {
    height: 5px;
    border-radius: 2px;
    background: #d8e4ea;
}
QSlider::sub-page:horizontal {
    border-radius: 2px;
    background: %2;
}
QSlider::handle:horizontal {
    width: 16px;
    height: 16px;
    margin: -6px 0;
    border-radius: 8px;
    background: #eefbff;
    border: 2px solid %2;
}
QSlider::handle:horizontal:hover {
    background: #ffffff;
}
QSlider::groove:horizontal:disabled {
    background: #e5ebee;
}
QSlider::sub-page:horizontal:disabled {
    background: #b8c7ce;
}
QSlider::handle:horizontal:disabled {
    background: #d0d9de;
    border-color: #aab9c1;
}
QScrollBar:vertical {
    background: #edf2f4;
    width: 16px;
    margin: 0;
}
QScrollBar::handle:vertical {
    background: #aabdc7;
    border-radius: 8px;
    min-height: 36px;
}
QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical {
    height: 0;
}
QMessageBox {
    background: #f7fafc;
}
)";

struct Palette {
    const char *titleBackground;
    const char *accent;
    const char *softAccent;
};

constexpr Palette dayPalette{"#f7fafc", "#009fc5", "#e3f5fa"};
constexpr Palette nightPalette{"#1a090e", "#d84b68", "#35131d"};

// Day colours of the template and their night counterparts, applied in this order.
constexpr std::array<std::pair<const char *, const char *>, 22> nightReplacements{{
    {"#1d3442", "#f8f2f4"},
    {"rgba(248, 250, 252, 245)", "rgba(29, 8, 14, 246)"},
    {"#c3d2db", "#673342"},
    {"#163343", "#ffffff"},
    {"rgba(255, 255, 255, 245)", "rgba(47, 13, 23, 246)"},
    {"#c7d6df", "#71384a"},
    {"#365261", "#f3e8ec"},
    {"#17313f", "#ffffff"},
    {"#b9cbd5", "#774052"},
    {"#96a5ad", "#9d828a"},
    {"#edf1f3", "#241016"},
    {"#d5dfe4", "#4b2933"},
    {"#9db9c8", "#80475a"},
    {"#aec4d0", "#754052"},
    {"#234353", "#f8eef1"},
    {"#d7edf3", "#542031"},
    {"#294958", "#ffffff"},
    {"#9eb7c4", "#a86376"},
    {"#d8e4ea", "#4c2732"},
    {"#eefbff", "#fff5f7"},
    {"#edf2f4", "#210b12"},
    {"#aabdc7", "#8b4358"},
}};

} // namespace

QString buildStyleSheet(bool night)
{
    const Palette &palette = night ? nightPalette : dayPalette;
    QString sheet = QString::fromLatin1(styleSheetTemplate)
                        .arg(QLatin1String(palette.titleBackground), QLatin1String(palette.accent),
                             QLatin1String(palette.softAccent));
    if (!night)
        return sheet;

    for (const auto &[day, replacement] : nightReplacements)
        sheet.replace(QLatin1String(day), QLatin1String(replacement));
    // Only backgrounds turn dark; white text stays white.
    sheet.replace(QLatin1String("background: #ffffff;"), QLatin1String("background: #260b14;"));
    sheet.replace(QLatin1String("#17b5d8"), QLatin1String("#e96780"));
    return sheet;
}
