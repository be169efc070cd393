#include "page_scale.h"

#include "dialog_template.h"
#include "gbk.h"
#include "platform_seam.h"
#include "posperiph.h"
#include "settings.h"

#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {

enum : int {
    IDC_START = 1004,
    IDC_ZERO = 1005,
    IDC_TARE = 1006,
    IDC_STOP = 1007,
    IDC_NET = 1008,
    IDC_RAW = 1009,
    IDC_TARE_WEIGHT = 1010,
    IDC_STATUS = 1011,
    IDC_CLEAR_PRESET_TARE = 1012,
    IDC_PRESET_TARE = 1013,
    IDC_NET_LABEL = 1068,
    IDC_TARE_LABEL = 1041,
    IDC_STATUS_LABEL = 1069,
    IDC_PRESET_TARE_GRAMS = 1072,
};

constexpr unsigned READING_BOX = CTL_READONLY;

const ControlSpec SCALE_CONTROLS[] = {
    {IDC_START, CtlKind::PushButton, 9, 4, 38, 21, "开始取重", "Start", CTL_NONE, nullptr},
    {IDC_ZERO, CtlKind::PushButton, 52, 4, 38, 21, "置零", "Zero", CTL_NONE, nullptr},
    {IDC_TARE, CtlKind::PushButton, 95, 4, 38, 21, "去皮", "Tare", CTL_NONE, nullptr},
    {IDC_STOP, CtlKind::PushButton, 138, 4, 38, 21, "结束取重", "Stop", CTL_NONE, nullptr},
    {IDC_NET_LABEL, CtlKind::Label, 10, 35, 18, 8, "净重:", "NET:", CTL_NONE, nullptr},
    {IDC_NET, CtlKind::Edit, 34, 32, 66, 12, nullptr, nullptr, READING_BOX, "net weight"},
    {CTL_STATIC, CtlKind::Label, 102, 35, 9, 10, "kg", "kg", CTL_NONE, nullptr},
    {IDC_RAW, CtlKind::Edit, 34, 49, 103, 12, nullptr, nullptr, READING_BOX, "raw reading"},
    {IDC_TARE_LABEL, CtlKind::Label, 10, 71, 18, 8, "皮重:", "TARE:", CTL_NONE, nullptr},
    {IDC_TARE_WEIGHT, CtlKind::Edit, 34, 68, 66, 12, nullptr, nullptr, READING_BOX, "tare"},
    {CTL_STATIC, CtlKind::Label, 102, 71, 9, 10, "kg", "kg", CTL_NONE, nullptr},
    {IDC_STATUS_LABEL, CtlKind::Label, 10, 89, 18, 8, "状态:", "STATE", CTL_NONE, nullptr},
    {IDC_STATUS, CtlKind::Edit, 34, 86, 210, 12, nullptr, nullptr, READING_BOX, "status line"},
    {IDC_CLEAR_PRESET_TARE, CtlKind::PushButton, 85, 104, 48, 14, "退出预置皮重", "退出预置皮重", CTL_NONE, nullptr},
    {IDC_PRESET_TARE, CtlKind::PushButton, 10, 104, 33, 14, "预置皮重", "预置皮重", CTL_NONE, nullptr},
    {CTL_STATIC, CtlKind::Label, 65, 105, 5, 8, "g", "g", CTL_NONE, nullptr},
    {IDC_PRESET_TARE_GRAMS, CtlKind::Edit, 44, 104, 21, 14, nullptr, nullptr, CTL_DIGITS, "preset tare in grams"},
};

const DialogTemplate SCALE_TEMPLATE{135, 244, 155, "MS Shell Dlg", 16, 400, SCALE_CONTROLS};

const QString TIPS = QStringLiteral("Tips");

// Writes a box only when its text changes, so a reading that holds still leaves a selection
// the technician made in the box alone.
void Show(QLineEdit* box, const QString& text)
{
    if (box->text() != text)
        box->setText(text);
}

} // namespace

CPageScale::CPageScale(QWidget* parent) : QWidget(parent)
{
    BuildControls(this, SCALE_TEMPLATE);
    m_editNet = FindControl<QLineEdit>(this, IDC_NET);
    m_editRaw = FindControl<QLineEdit>(this, IDC_RAW);
    m_editTare = FindControl<QLineEdit>(this, IDC_TARE_WEIGHT);
    m_editStatus = FindControl<QLineEdit>(this, IDC_STATUS);
    m_editPresetTare = FindControl<QLineEdit>(this, IDC_PRESET_TARE_GRAMS);

    m_pollTimer.setParent(this);
    m_pollTimer.setObjectName(QString::number(POLL_TIMER_ID));
    m_pollTimer.setInterval(POLL_PERIOD_MS);
    // A precise timer fires every 100 ms; a coarse one may stretch the period by up to 5 %.
    m_pollTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pollTimer, &QTimer::timeout, this, &CPageScale::Poll);

    connect(FindControl<QPushButton>(this, IDC_START), &QPushButton::clicked, this, &CPageScale::OnStart);
    connect(FindControl<QPushButton>(this, IDC_STOP), &QPushButton::clicked, this, &CPageScale::OnStop);
    connect(FindControl<QPushButton>(this, IDC_ZERO), &QPushButton::clicked, this, &CPageScale::OnZero);
    connect(FindControl<QPushButton>(this, IDC_TARE), &QPushButton::clicked, this, &CPageScale::OnTare);
    connect(FindControl<QPushButton>(this, IDC_PRESET_TARE), &QPushButton::clicked, this, &CPageScale::OnPresetTare);
    connect(FindControl<QPushButton>(this, IDC_CLEAR_PRESET_TARE), &QPushButton::clicked, this,
            &CPageScale::OnClearPresetTare);

    LoadSettings(TheSettings());
    for (QLineEdit* box : {m_editStatus, m_editNet, m_editRaw, m_editTare})
        box->clear();
    const bool chinese = IsChinese(TheSettings());
    m_statusTexts = StatusTextsFor(chinese);
    if (!chinese)
        ApplyEnglishTexts(this, SCALE_TEMPLATE);
    m_editPresetTare->setText(QStringLiteral("0"));
}

void CPageScale::OnStart()
{
    // start() on a running timer re-arms the same timer: pressing Start again never adds one.
    m_pollTimer.start();
}

void CPageScale::OnStop()
{
    m_pollTimer.stop();
    for (QLineEdit* box : {m_editStatus, m_editNet, m_editRaw, m_editTare})
        box->clear();
}

void CPageScale::Poll()
{
    // Qt delivers at most one pending tick of a timer, so a slow poll never leaves a queue of
    // ticks behind it; this guard keeps a tick out should anything inside a poll ever run
    // a nested event loop.
    if (m_inPoll)
        return;
    m_inPoll = true;
    ScaleReading reading{};
    const int code = read_standard(reinterpret_cast<char*>(reading.data()));
    const ScaleBoxes boxes = DecodeReading(code, reading, m_statusTexts);
    Show(m_editStatus, boxes.status);
    if (boxes.raw)
        Show(m_editRaw, *boxes.raw);
    if (boxes.net)
        Show(m_editNet, *boxes.net);
    if (boxes.tare)
        Show(m_editTare, *boxes.tare);
    m_inPoll = false;
}

void CPageScale::Tip(const QString& text, bool ok)
{
    Seam().MessageBox(this, text, TIPS, ok ? MsgIcon::None : MsgIcon::Stop);
}

void CPageScale::OnZero()
{
    const int result = send_zero();
    Tip(result == 240 ? QStringLiteral("Zero OK!") : QStringLiteral("Zero Error!"), result == 240);
}

void CPageScale::OnTare()
{
    const int result = send_tare(0);
    Tip(result == 240 ? QStringLiteral("Tare OK!") : QStringLiteral("Tare Error!"), result == 240);
}

void CPageScale::OnPresetTare()
{
    const std::optional<PresetTareField> field = PresetTareFieldFor(ToGbk(m_editPresetTare->text()));
    if (!field) {
        Tip(QString::fromUtf8("预置皮重范围0~5998g"), false);
        return;
    }
    // posperiph takes a writable buffer; it gets the seven characters and a terminator it
    // need not read.
    char tare[8] = {};
    std::copy(field->begin(), field->end(), tare);
    const int result = send_pre_tare(tare);
    Tip(result == 240 ? QStringLiteral("Pre Tare OK!") : QStringLiteral("Pre Tare Error!"), result == 240);
}

void CPageScale::OnClearPresetTare()
{
    char scratch[32] = {};
    const int result = clear_tare(scratch);
    Tip(result == 240 ? QStringLiteral("Clear Tare OK!") : QStringLiteral("Clear Tare Error!"), result == 240);
}
