#include "dialog_template.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

constexpr char SORTED_PROPERTY[] = "kitSorted";

QString Utf8(const char* s) { return s ? QString::fromUtf8(s) : QString(); }

// A push button whose text wraps to several lines when it is wider than the button, as a Windows
// multi-line button does; text() stays the text as set.
class WrapPushButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QStylePainter p(this);
        QStyleOptionButton opt;
        initStyleOption(&opt);
        const QString label = opt.text;
        opt.text.clear();
        p.drawControl(QStyle::CE_PushButton, opt);
        const QRect r = style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this);
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        p.drawText(r, Qt::AlignCenter | Qt::TextWordWrap, label);
    }
};

QWidget* MakeControl(QWidget* owner, const ControlSpec& c)
{
    const QString text = Utf8(c.zh);
    switch (c.kind) {
    case CtlKind::PushButton:
        if (c.style & CTL_WRAP)
            return new WrapPushButton(text, owner);
        return new QPushButton(text, owner);
    case CtlKind::GroupBox: return new QGroupBox(text, owner);
    case CtlKind::Label: return new QLabel(text, owner);
    case CtlKind::CheckBox: return new QCheckBox(text, owner);
    case CtlKind::RadioButton: return new QRadioButton(text, owner);
    case CtlKind::Edit:
        if (c.style & CTL_MULTILINE) {
            auto* e = new QPlainTextEdit(owner);
            e->setPlainText(text);
            e->setLineWrapMode(QPlainTextEdit::NoWrap);
            e->setVerticalScrollBarPolicy((c.style & CTL_VSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
            e->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            e->setTabChangesFocus(true);
            e->setReadOnly(c.style & CTL_READONLY);
            return e;
        } else {
            auto* e = new QLineEdit(text, owner);
            e->setReadOnly(c.style & CTL_READONLY);
            if (c.style & CTL_DIGITS)
                e->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), e));
            return e;
        }
    case CtlKind::DropList:
    case CtlKind::DropDown: {
        auto* cb = new QComboBox(owner);
        cb->setEditable(c.kind == CtlKind::DropDown);
        cb->setInsertPolicy(QComboBox::NoInsert);
        cb->setProperty(SORTED_PROPERTY, bool(c.style & CTL_SORTED));
        return cb;
    }
    case CtlKind::TabArea: {
        auto* f = new QFrame(owner);
        f->setFrameShape(QFrame::StyledPanel);
        f->setFrameShadow(QFrame::Raised);
        return f;
    }
    }
    return new QWidget(owner);
}

} // namespace

void InstallFontSubstitutions()
{
    // The templates name Windows fonts; map them to the CJK font the bootstrap installs.
    const QStringList cjk{"WenQuanYi Micro Hei", "Noto Sans CJK SC", "DejaVu Sans"};
    QFont::insertSubstitutions(QString::fromUtf8("宋体"), cjk);
    QFont::insertSubstitutions("SimSun", cjk);
    QFont::insertSubstitutions("MS Shell Dlg", cjk);
}

QFont TemplateFont(const DialogTemplate& tpl)
{
    QFont f(QString::fromUtf8(tpl.fontFace));
    f.setPointSize(tpl.pointSize);
    f.setWeight(static_cast<QFont::Weight>(tpl.fontWeight > 0 ? tpl.fontWeight : 400));
    return f;
}

DialogUnits DialogUnitsFor(const DialogTemplate& tpl)
{
    const QFontMetrics fm(TemplateFont(tpl));
    const int letters = fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int baseX = (letters / 26 + 1) / 2;
    const int baseY = fm.height();
    return {baseX / 4.0, baseY / 8.0};
}

QRect DluToPixels(const DialogUnits& du, int x, int y, int w, int h)
{
    const int px = qRound(x * du.x), py = qRound(y * du.y);
    return QRect(px, py, qRound((x + w) * du.x) - px, qRound((y + h) * du.y) - py);
}

void BuildControls(QWidget* owner, const DialogTemplate& tpl)
{
    owner->setFont(TemplateFont(tpl));
    const DialogUnits du = DialogUnitsFor(tpl);
    owner->resize(DluToPixels(du, 0, 0, tpl.w, tpl.h).size());

    QWidget* previous = nullptr;
    for (const ControlSpec& c : tpl.controls) {
        QWidget* w = MakeControl(owner, c);
        w->setObjectName(c.id == CTL_STATIC ? QStringLiteral("static") : QString::number(c.id));
        if (c.role)
            w->setAccessibleName(QString::fromUtf8(c.role));
        QRect r = DluToPixels(du, c.x, c.y, c.w, c.h);
        if (c.kind == CtlKind::DropList || c.kind == CtlKind::DropDown) {
            // The template height includes the dropped list; the closed box is one line high.
            r.setHeight(std::min(r.height(), w->sizeHint().height()));
        }
        w->setGeometry(r);
        if (c.style & CTL_DISABLED)
            w->setEnabled(false);
        if (c.style & CTL_NOTABSTOP)
            w->setFocusPolicy(Qt::NoFocus);
        w->setVisible(!(c.style & CTL_HIDDEN));
        if (w->focusPolicy() != Qt::NoFocus) {
            if (previous)
                QWidget::setTabOrder(previous, w);
            previous = w;
        }
    }
    // Windows draws group boxes behind the controls they frame, whatever the creation order.
    for (QGroupBox* g : owner->findChildren<QGroupBox*>(QString(), Qt::FindDirectChildrenOnly))
        g->lower();
}

void ApplyEnglishTexts(QWidget* owner, const DialogTemplate& tpl)
{
    for (const ControlSpec& c : tpl.controls) {
        if (!c.en || c.id == CTL_STATIC)
            continue;
        if (QWidget* w = FindControl(owner, c.id))
            SetControlText(w, QString::fromUtf8(c.en));
    }
    // Unnamed controls (units labels and the like) are matched by position in the table.
    const auto statics = owner->findChildren<QWidget*>(QStringLiteral("static"), Qt::FindDirectChildrenOnly);
    qsizetype i = 0;
    for (const ControlSpec& c : tpl.controls) {
        if (c.id != CTL_STATIC)
            continue;
        if (i < statics.size() && c.en)
            SetControlText(statics[i], QString::fromUtf8(c.en));
        ++i;
    }
}

QString ControlText(const QWidget* control)
{
    if (auto* b = qobject_cast<const QAbstractButton*>(control)) return b->text();
    if (auto* l = qobject_cast<const QLabel*>(control)) return l->text();
    if (auto* g = qobject_cast<const QGroupBox*>(control)) return g->title();
    if (auto* e = qobject_cast<const QLineEdit*>(control)) return e->text();
    if (auto* p = qobject_cast<const QPlainTextEdit*>(control)) return p->toPlainText();
    if (auto* cb = qobject_cast<const QComboBox*>(control)) return cb->currentText();
    return QString();
}

void SetControlText(QWidget* control, const QString& text)
{
    if (auto* b = qobject_cast<QAbstractButton*>(control)) b->setText(text);
    else if (auto* l = qobject_cast<QLabel*>(control)) l->setText(text);
    else if (auto* g = qobject_cast<QGroupBox*>(control)) g->setTitle(text);
    else if (auto* e = qobject_cast<QLineEdit*>(control)) e->setText(text);
    else if (auto* p = qobject_cast<QPlainTextEdit*>(control)) p->setPlainText(text);
    else if (auto* cb = qobject_cast<QComboBox*>(control)) {
        if (cb->isEditable()) cb->setEditText(text);
    }
}

void AddComboItem(QWidget* combo, const QString& text)
{
    auto* cb = qobject_cast<QComboBox*>(combo);
    if (!cb)
        return;
    // Qt selects the first item added to an empty box; a Windows combo box keeps no selection.
    const int before = cb->currentIndex();
    const QString editText = cb->isEditable() ? cb->currentText() : QString();
    int at = cb->count();
    if (cb->property(SORTED_PROPERTY).toBool()) {
        at = 0;
        while (at < cb->count() && QString::compare(cb->itemText(at), text, Qt::CaseInsensitive) <= 0)
            ++at;
    }
    cb->insertItem(at, text);
    if (before == -1) {
        cb->setCurrentIndex(-1);
        if (cb->isEditable())
            cb->setEditText(editText);
    }
}
