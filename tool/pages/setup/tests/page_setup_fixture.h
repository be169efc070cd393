// Shared fixture of the setup page tests: a temporary vendor folder, a recording seam and the
// posperiph stand-in in scripted mode; helpers that act on the page as a user would.
#pragma once

#include "dialog_template.h"
#include "gbk.h"
#include "page_setup.h"
#include "platform_seam.h"
#include "posperiph_control.h"
#include "settings.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// Records what the page asks of the desktop, in order.
class CRecordingSeam : public CPlatformSeam {
public:
    struct Box {
        QString text, title;
        MsgIcon icon;
        std::vector<PosCall> journalAtBox;  // posperiph calls made before the box came up
    };
    std::vector<Box> boxes;
    std::vector<QString> started;
    std::vector<QString> explored;
    QStringList events;

    void MessageBox(QWidget*, const QString& text, const QString& title, MsgIcon icon) override
    {
        boxes.push_back({text, title, icon, posperiph_journal()});
        events << "box";
    }
    QString OpenFileDialog(QWidget*, const QString&) override { return QString(); }
    void StartProgram(const QString& path) override
    {
        started.push_back(path);
        events << "start";
    }
    void ExploreFolder(const QString& path) override
    {
        explored.push_back(path);
        events << "explore";
    }
};

class SetupPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        qputenv("NORVALE_HOME", QFile::encodeName(m_home.path()));
        SetSeam(&m_seam);
        posperiph_use_script();
        // Defaults of a missing file: the same record the program starts with on a fresh terminal.
        LoadSettings(TheSettings());
    }
    void TearDown() override
    {
        m_page.reset();
        SetSeam(nullptr);
        posperiph_use_simulation();
        qunsetenv("NORVALE_HOME");
    }

    CPageSetup* MakePage()
    {
        m_page = std::make_unique<CPageSetup>(nullptr);
        return m_page.get();
    }

    template <class T = QWidget>
    T* Ctl(int id) const
    {
        T* c = FindControl<T>(m_page.get(), id);
        EXPECT_NE(c, nullptr) << "control " << id;
        return c;
    }
    QComboBox* Combo(int id) const { return Ctl<QComboBox>(id); }

    // Picks an item from the dropped list with the mouse, as a user does: only this runs the
    // page's handlers, a programmatic selection does not.
    void Pick(int id, const QString& item)
    {
        QComboBox* combo = Combo(id);
        const int index = combo->findText(item, Qt::MatchExactly | Qt::MatchCaseSensitive);
        ASSERT_GE(index, 0) << item.toStdString();
        combo->showPopup();
        QAbstractItemView* view = combo->view();
        const QRect r = view->visualRect(view->model()->index(index, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
        QCoreApplication::processEvents();
        ASSERT_EQ(combo->currentIndex(), index);
        ASSERT_FALSE(view->isVisible());
    }

    void Click(int id)
    {
        QWidget* w = Ctl(id);
        // A check box or radio takes clicks on its indicator and text only, not on the whole width.
        const bool indicator = qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w);
        QTest::mouseClick(w, Qt::LeftButton, {}, indicator ? QPoint(4, w->height() / 2) : w->rect().center());
    }

    // Replaces the text of an editable box as typed through an input method (Chinese included).
    void TypeInto(QComboBox* box, const QString& text)
    {
        box->lineEdit()->setFocus();
        box->lineEdit()->selectAll();
        QInputMethodEvent typed;
        typed.setCommitString(text);
        QCoreApplication::sendEvent(box->lineEdit(), &typed);
    }

    QTemporaryDir m_home;
    CRecordingSeam m_seam;
    std::unique_ptr<CPageSetup> m_page;
};

inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// The page as a technician sees it: "name=value" for texts, checks, selections and enabled states.
inline QStringList Snapshot(const QWidget* page)
{
    auto combo = [&](int id) { return FindControl<QComboBox>(page, id); };
    auto box = [&](int id) { return FindControl<QCheckBox>(page, id)->isChecked() ? "1" : "0"; };
    auto on = [&](int id) { return FindControl(page, id)->isEnabled() ? "on" : "off"; };
    auto sel = [&](int id) {
        QComboBox* c = combo(id);
        return c->currentIndex() < 0 ? QString("(none)") : c->itemText(c->currentIndex());
    };
    return {
        "model=" + sel(CPageSetup::IDC_MODEL),
        "software=" + sel(CPageSetup::IDC_SOFTWARE),
        "scalePort=" + ControlText(combo(CPageSetup::IDC_SCALE_PORT)) + " " + on(CPageSetup::IDC_SCALE_PORT),
        "scalePortItem=" + sel(CPageSetup::IDC_SCALE_PORT),
        "scaleRate=" + ControlText(combo(CPageSetup::IDC_SCALE_RATE)) + " " + on(CPageSetup::IDC_SCALE_RATE),
        QString("alarm=") + box(CPageSetup::IDC_ALARM) + " " + on(CPageSetup::IDC_ALARM),
        QString("compatible=") + box(CPageSetup::IDC_COMPATIBLE),
        "printerPort=" + sel(CPageSetup::IDC_PRINTER_PORT) + " " + on(CPageSetup::IDC_PRINTER_PORT),
        "printerRate=" + sel(CPageSetup::IDC_PRINTER_RATE) + " " + on(CPageSetup::IDC_PRINTER_RATE),
        "density=" + sel(CPageSetup::IDC_DENSITY),
        "lineSpace=" + ControlText(FindControl(page, CPageSetup::IDC_LINESPACE)),
        QString("autoCut=") + box(CPageSetup::IDC_AUTOCUT),
        QString("drawer=") + (FindControl<QRadioButton>(page, CPageSetup::IDC_MAINBOARD_RADIO)->isChecked() ? "main" : "") +
            (FindControl<QRadioButton>(page, CPageSetup::IDC_PRINTER_RADIO)->isChecked() ? "printer" : "") + " " +
            on(CPageSetup::IDC_MAINBOARD_RADIO) + " " + on(CPageSetup::IDC_PRINTER_RADIO),
        "board=" + sel(CPageSetup::IDC_BOARD) + " " + on(CPageSetup::IDC_BOARD),
        QString("log=") + box(CPageSetup::IDC_LOG),
        "language=" + sel(CPageSetup::IDC_LANGUAGE),
        "saveButton=" + ControlText(FindControl(page, CPageSetup::IDC_SAVE)),
    };
}

// Each wanted "name=value" entry equals the snapshot's entry of that name.
inline void ExpectShown(const QWidget* page, const std::vector<const char*>& wanted)
{
    const QStringList shown = Snapshot(page);
    for (const char* want : wanted) {
        const QString w = QString::fromUtf8(want);
        const QStringList got = shown.filter(QRegularExpression("^" + w.section('=', 0, 0) + "="));
        EXPECT_EQ(got.value(0).toStdString(), w.toStdString());
    }
}
