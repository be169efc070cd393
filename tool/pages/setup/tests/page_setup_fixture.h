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
#include <QLineEdit>
#include <QRadioButton>
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

    void TypeInto(QComboBox* box, const QString& text)
    {
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), text);
    }

    QTemporaryDir m_home;
    CRecordingSeam m_seam;
    std::unique_ptr<CPageSetup> m_page;
};

inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }
