// Dialog templates: a page or window is a table of controls (id, kind, position in dialog units,
// Chinese and English text, initial state) that one builder turns into Qt widgets.
#pragma once

#include <QString>
#include <QWidget>
#include <span>

enum class CtlKind {
    PushButton,
    GroupBox,
    Label,         // static text
    Edit,          // edit box (one line unless CTL_MULTILINE)
    CheckBox,
    RadioButton,
    DropList,      // drop-down list: choose, no typing
    DropDown,      // drop-down box with an edit field
    TabArea,       // tab control used as a framed area
};

// Initial state and style bits of a control.
enum CtlStyle : unsigned {
    CTL_NONE = 0,
    CTL_DISABLED = 1u << 0,
    CTL_HIDDEN = 1u << 1,
    CTL_READONLY = 1u << 2,
    CTL_MULTILINE = 1u << 3,   // edit: several lines
    CTL_WANTRETURN = 1u << 4,  // edit: Enter makes a new line
    CTL_VSCROLL = 1u << 5,     // edit: vertical scroll bar
    CTL_DIGITS = 1u << 6,      // edit: digits only
    CTL_SORTED = 1u << 7,      // combo: items kept sorted
    CTL_NOTABSTOP = 1u << 8,
    CTL_WRAP = 1u << 9,        // button: text may wrap to several lines
};

// Control ids of template controls that carry none ("-" in a template) are given as CTL_STATIC.
constexpr int CTL_STATIC = -1;

struct ControlSpec {
    int id;
    CtlKind kind;
    int x, y, w, h;        // dialog units
    const char* zh;        // Chinese text (UTF-8), nullptr for none
    const char* en;        // English text (UTF-8), nullptr for none
    unsigned style;        // CtlStyle bits
    const char* role;      // accessible name for controls with no text of their own, else nullptr
};

struct DialogTemplate {
    int id;
    int w, h;              // dialog units
    const char* fontFace;  // UTF-8
    int pointSize;
    int fontWeight;        // 400 regular
    std::span<const ControlSpec> controls;
};

// Pixel size of one horizontal and one vertical dialog unit for a template's font:
// a dialog unit is a quarter of the font's average character width and an eighth of its height.
struct DialogUnits {
    double x;  // pixels per horizontal dialog unit
    double y;  // pixels per vertical dialog unit
};
DialogUnits DialogUnitsFor(const DialogTemplate& tpl);
QRect DluToPixels(const DialogUnits& du, int x, int y, int w, int h);

// Builds every control of the template as a direct child of `owner`, in table order (which is the
// creation and tab order), with the Chinese texts, positions in pixels, and initial states. Each
// control's object name is its id in decimal; controls without an id are named "static".
// Sets the owner's font to the template font and its size to the template size.
void BuildControls(QWidget* owner, const DialogTemplate& tpl);

// Puts the English text of every control that has one in place of its Chinese text.
void ApplyEnglishTexts(QWidget* owner, const DialogTemplate& tpl);

// The control with this id among the owner's direct children, or nullptr.
template <class T = QWidget>
T* FindControl(const QWidget* owner, int id)
{
    return owner->findChild<T*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

// The template font, with "宋体" and "MS Shell Dlg" mapped to installed fonts (see InstallFontSubstitutions).
QFont TemplateFont(const DialogTemplate& tpl);

// Maps the template font names to fonts installed here so that Chinese renders. Call once after
// the QApplication exists.
void InstallFontSubstitutions();

// The text a control shows, for every kind the builder makes (an editable drop-down gives its
// edit text, a drop-down list its selected item's text or "" with no selection).
QString ControlText(const QWidget* control);
void SetControlText(QWidget* control, const QString& text);

// Adds an item to a drop-down; a control built with CTL_SORTED keeps its items sorted, as the
// Windows combo box does (case-insensitive, the new item after equal ones).
void AddComboItem(QWidget* combo, const QString& text);
