// The scale test page (template 135): live readings of the terminal's scale through posperiph,
// and the zero, tare, preset tare and clear preset tare commands.
#pragma once

#include "scale_reading.h"

#include <QTimer>
#include <QWidget>

class QLineEdit;

class CPageScale : public QWidget {
    Q_OBJECT
public:
    // Builds the page and runs its initialisation: loads the settings once more for the
    // language, empties the reading boxes, puts "0" in the preset tare box. Polling stays off.
    explicit CPageScale(QWidget* parent);

    // One poll, as each tick of the polling timer runs it: read_standard and the four boxes.
    void Poll();

    static constexpr int POLL_TIMER_ID = 1001;
    static constexpr int POLL_PERIOD_MS = 100;

private:
    void OnStart();
    void OnStop();
    void OnZero();
    void OnTare();
    void OnPresetTare();
    void OnClearPresetTare();
    void Tip(const QString& text, bool ok);

    ScaleStatusTexts m_statusTexts;
    QTimer m_pollTimer;            // timer 1001: armed exactly while polling is on
    bool m_inPoll = false;
    QLineEdit* m_editPresetTare = nullptr;  // 1072
    QLineEdit* m_editNet = nullptr;         // 1008
    QLineEdit* m_editRaw = nullptr;         // 1009
    QLineEdit* m_editTare = nullptr;        // 1010
    QLineEdit* m_editStatus = nullptr;      // 1011
};
