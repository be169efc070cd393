// Driver printing against a real CUPS scheduler: the test starts a private cupsd (own
// configuration, spool and socket in a temporary folder), adds raw queues whose device is a TCP
// socket the test listens on, and reads every job as it arrives. The machine's own CUPS
// configuration is never touched.
#include "page_printer.h"

#include "dialog_template.h"
#include "posperiph_control.h"
#include "receipt_layout.h"
#include "recording_seam.h"
#include "sample_receipts.h"
#include "settings.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>
#include <thread>

namespace {

constexpr int COMMAND_TIMEOUT_MS = 20000;
constexpr int JOB_TIMEOUT_MS = 30000;

QString FindTool(const QString& name)
{
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin", "/usr/local/sbin"});
    return path;
}

// A printer on a TCP socket: every connection is one job; its bytes are kept in order.
class CJobSink {
public:
    CJobSink()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0
            || ::listen(m_fd, 8) != 0 || ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            return;
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~CJobSink()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int Port() const { return m_port; }
    std::vector<QByteArray> Jobs()
    {
        std::lock_guard lock(m_mutex);
        return m_jobs;
    }
    bool WaitForJobs(size_t count, int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (Jobs().size() < count) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(50);
        }
        return true;
    }

private:
    // Polls in short steps so that the destructor never waits long.
    bool WaitReadable(int fd)
    {
        while (!m_stop) {
            pollfd p{fd, POLLIN, 0};
            const int r = ::poll(&p, 1, 100);
            if (r > 0)
                return true;
            if (r < 0 && errno != EINTR)
                return false;
        }
        return false;
    }
    void Serve()
    {
        while (WaitReadable(m_fd)) {
            const int conn = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (conn < 0)
                continue;
            QByteArray job;
            char buf[65536];
            while (WaitReadable(conn)) {
                const ssize_t n = ::read(conn, buf, sizeof buf);
                if (n <= 0)
                    break;
                job.append(buf, n);
            }
            ::close(conn);
            std::lock_guard lock(m_mutex);
            m_jobs.push_back(job);
        }
    }

    int m_fd = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<QByteArray> m_jobs;
};

// A private cupsd listening on a domain socket in a temporary folder.
class CPrivateCups {
public:
    ~CPrivateCups()
    {
        if (m_cupsd.state() != QProcess::NotRunning) {
            m_cupsd.terminate();
            if (!m_cupsd.waitForFinished(10000)) {
                m_cupsd.kill();
                m_cupsd.waitForFinished(5000);
            }
        }
    }

    QString Start(const QString& cupsd)
    {
        // A short folder: the socket path must fit a sockaddr_un.
        m_dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/kitcups-XXXXXX"));
        if (!m_dir->isValid())
            return "cannot create a temporary folder";
        const QString d = m_dir->path();
        // Backends run as the lp user and must reach the spool below this folder.
        QFile::setPermissions(d, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                     | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        for (const char* sub : {"root", "spool", "cache", "state", "tmp", "log", "client", "home"})
            QDir(d).mkpath(sub);
        m_socket = d + "/cups.sock";
        WriteFile(d + "/cups-files.conf",
                  QString("ServerRoot %1/root\nRequestRoot %1/spool\nTempDir %1/tmp\nCacheDir %1/cache\n"
                          "StateDir %1/state\nErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                          "PageLog %1/log/page_log\nSystemGroup root\n")
                      .arg(d));
        WriteFile(d + "/cupsd.conf", QString("Listen %1\nLogLevel info\nBrowsing No\nWebInterface No\n"
                                             "DefaultAuthType None\nPreserveJobHistory Yes\nDirtyCleanInterval 0\n"
                                             "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                             "<Policy default>\n  <Limit All>\n    Order deny,allow\n"
                                             "  </Limit>\n</Policy>\n")
                                         .arg(m_socket));

        // Everything below (this process's libcups in Qt, lpadmin, lpstat) uses this server only,
        // with no lpoptions or client.conf of the machine or the user.
        qputenv("CUPS_SERVER", m_socket.toLocal8Bit());
        qputenv("CUPS_SERVERROOT", (d + "/client").toLocal8Bit());
        qputenv("HOME", (d + "/home").toLocal8Bit());
        qunsetenv("LPDEST");
        qunsetenv("PRINTER");

        m_cupsd.setProgram(cupsd);
        m_cupsd.setArguments({"-f", "-c", d + "/cupsd.conf", "-s", d + "/cups-files.conf"});
        m_cupsd.setProcessChannelMode(QProcess::ForwardedChannels);
        // The scheduler goes with the test even if the test dies.
        m_cupsd.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_cupsd.start();
        if (!m_cupsd.waitForStarted(COMMAND_TIMEOUT_MS))
            return "cupsd did not start: " + m_cupsd.errorString();

        QDeadlineTimer deadline(COMMAND_TIMEOUT_MS);
        while (!Connectable()) {
            if (deadline.hasExpired() || m_cupsd.state() == QProcess::NotRunning)
                return "cupsd is not answering on " + m_socket + "; its log: " + Log();
            QThread::msleep(50);
        }
        return QString();
    }

    // Runs a CUPS command against the private server; its standard output, or nullopt on failure.
    std::optional<QString> Run(const QString& tool, const QStringList& args)
    {
        QProcess p;
        p.start(FindTool(tool), args);
        if (!p.waitForFinished(COMMAND_TIMEOUT_MS)) {
            p.kill();
            p.waitForFinished(5000);
            return std::nullopt;
        }
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    // Jobs the server knows of, completed or not.
    int JobCount()
    {
        const auto out = Run("lpstat", {"-W", "all", "-o"});
        return out ? int(out->split('\n', Qt::SkipEmptyParts).size()) : -1;
    }

    QString Folder() const { return m_dir->path(); }
    QString Log() const
    {
        QFile f(m_dir->path() + "/log/error_log");
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll().right(4000)) : QString();
    }

private:
    static void WriteFile(const QString& path, const QString& text)
    {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(text.toUtf8());
    }
    bool Connectable() const
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray path = m_socket.toLocal8Bit();
        std::memcpy(addr.sun_path, path.constData(), std::min<size_t>(size_t(path.size()), sizeof addr.sun_path - 1));
        const bool ok = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        if (fd >= 0)
            ::close(fd);
        return ok;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_socket;
    QProcess m_cupsd;
};

// The text of a PDF job as poppler reads it, one entry per non-blank line, blanks collapsed.
QStringList PdfLines(const QByteArray& job, const QString& folder)
{
    const QString pdf = folder + "/job.pdf";
    QFile f(pdf);
    if (!f.open(QIODevice::WriteOnly))
        return {"<cannot write job file>"};
    f.write(job);
    f.close();
    QProcess p;
    p.start(FindTool("pdftotext"), {"-layout", "-enc", "UTF-8", pdf, "-"});
    if (!p.waitForFinished(COMMAND_TIMEOUT_MS)) {
        p.kill();
        p.waitForFinished(5000);
        return {"<pdftotext hung>"};
    }
    QStringList lines;
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n')) {
        const QString s = line.simplified();
        if (!s.isEmpty())
            lines << s;
    }
    return lines;
}

// The number of pages of a PDF job, as pdfinfo reports it; -1 when it can't be read.
int PdfPages(const QByteArray& job, const QString& folder)
{
    const QString pdf = folder + "/pages.pdf";
    QFile f(pdf);
    if (!f.open(QIODevice::WriteOnly))
        return -1;
    f.write(job);
    f.close();
    QProcess p;
    p.start(FindTool("pdfinfo"), {pdf});
    if (!p.waitForFinished(COMMAND_TIMEOUT_MS)) {
        p.kill();
        p.waitForFinished(5000);
        return -1;
    }
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

TEST(DriverPrintCups, ListPrintDrawerAndVanishedQueue)
{
    const QString cupsd = FindTool("cupsd");
    if (cupsd.isEmpty())
        GTEST_SKIP() << "cupsd is not installed (Debian package cups); driver printing against a real "
                        "CUPS server is not tested";
    for (const char* tool : {"lpadmin", "lpstat", "pdftotext", "pdfinfo"})
        ASSERT_FALSE(FindTool(tool).isEmpty()) << tool << " is missing: run scripts/bootstrap";

    CJobSink sink;
    ASSERT_GT(sink.Port(), 0) << "cannot listen on a local TCP port";
    CPrivateCups cups;
    const QString error = cups.Start(cupsd);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();

    const QString device = QString("socket://127.0.0.1:%1").arg(sink.Port());
    for (const char* queue : {"Receipt_Q", "Kitchen_Q", "Gone_Q"})
        ASSERT_TRUE(cups.Run("lpadmin", {"-p", queue, "-E", "-v", device})) << "lpadmin -p " << queue
                                                                            << cups.Log().toStdString();
    ASSERT_TRUE(cups.Run("lpadmin", {"-d", "Receipt_Q"}));

    posperiph_use_script();
    TheSettings() = ToolSettings{};
    TheSettings().otherLanguage = LANGUAGE_CHINESE;
    CRecordingSeam seam;
    CPagePrinter page(nullptr);
    page.show();
    auto* list = FindControl<QComboBox>(&page, 1018);
    auto click = [&](int id) { QTest::mouseClick(FindControl<QPushButton>(&page, id), Qt::LeftButton); };
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();

    // The list holds the queues, sorted, with the default preselected.
    QStringList listed;
    for (int i = 0; i < list->count(); ++i)
        listed << list->itemText(i);
    EXPECT_EQ(listed, (QStringList{"Gone_Q", "Kitchen_Q", "Receipt_Q"}));
    EXPECT_EQ(list->currentText(), "Receipt_Q");
    ASSERT_EQ(list->currentIndex(), list->findText("Receipt_Q"));

    // Driver print: one job whose page holds the receipt lines in order, then the hyphen.
    click(1020);
    EXPECT_TRUE(seam.messages.empty());
    ASSERT_TRUE(sink.WaitForJobs(1, JOB_TIMEOUT_MS)) << cups.Log().toStdString();
    const QByteArray printJob = sink.Jobs()[0];
    EXPECT_TRUE(printJob.startsWith("%PDF")) << printJob.left(40).toStdString();
    QStringList expected;
    for (const QString& line : SplitReceiptLines(SampleReceipt(true)))
        if (!line.simplified().isEmpty())
            expected << line.simplified();
    expected << "-";
    EXPECT_EQ(PdfLines(printJob, cups.Folder()), expected);
    EXPECT_EQ(PdfPages(printJob, cups.Folder()), 1);

    // The drawer button: one empty document, then "OK!".
    click(1019);
    ASSERT_TRUE(sink.WaitForJobs(2, JOB_TIMEOUT_MS)) << cups.Log().toStdString();
    EXPECT_EQ(PdfLines(sink.Jobs()[1], cups.Folder()), QStringList());
    EXPECT_EQ(PdfPages(sink.Jobs()[1], cups.Folder()), 1);
    EXPECT_EQ(seam.messages, (std::vector<ShownMessage>{{"OK!", "Tips", MsgIcon::None}}));
    EXPECT_EQ(cups.JobCount(), 2);

    // Both jobs carry the document name "printer".
    const QStringList control = QDir(cups.Folder() + "/spool").entryList({"c*"}, QDir::Files);
    EXPECT_EQ(control.size(), 2);
    for (const QString& name : control) {
        QFile f(cups.Folder() + "/spool/" + name);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray attrs = f.readAll();
        const qsizetype at = attrs.indexOf("job-name");
        ASSERT_GE(at, 0) << name.toStdString();
        EXPECT_EQ(attrs.mid(at + 8, 9), QByteArray("\x00\x07printer", 9)) << name.toStdString();
    }

    // 100,000 characters on one line: one page, cut at its edge, handed over at once.
    SetControlText(FindControl(&page, 1023), QString(100000, 'W'));
    click(1020);
    ASSERT_TRUE(sink.WaitForJobs(3, JOB_TIMEOUT_MS)) << cups.Log().toStdString();
    const QStringList longLines = PdfLines(sink.Jobs()[2], cups.Folder());
    ASSERT_EQ(longLines.size(), 2);
    EXPECT_TRUE(longLines[0].startsWith(QString(20, 'W')));
    EXPECT_EQ(longLines[1], "-");
    EXPECT_EQ(PdfPages(sink.Jobs()[2], cups.Folder()), 1);

    // A queue removed after the list was filled: the lookup fails and nothing is printed.
    const ShownMessage infoError{QString::fromUtf8("取打印机信息失败!\r\n Get Printer Info Error"), program,
                                 MsgIcon::None};
    seam.messages.clear();
    list->setCurrentIndex(list->findText("Gone_Q"));
    ASSERT_TRUE(cups.Run("lpadmin", {"-x", "Gone_Q"}));
    click(1020);
    click(1019);
    EXPECT_EQ(seam.messages, (std::vector<ShownMessage>{infoError, infoError}));

    // A 300-byte name typed over the selection is no printer either.
    seam.messages.clear();
    list->setCurrentIndex(list->findText("Receipt_Q"));
    list->lineEdit()->setText(QString(300, 'p'));
    click(1020);
    EXPECT_EQ(seam.messages, std::vector<ShownMessage>{infoError});

    // With no entry selected, nothing is printed either.
    seam.messages.clear();
    list->setCurrentIndex(-1);
    click(1020);
    EXPECT_EQ(seam.messages, (std::vector<ShownMessage>{
                                 {QString::fromUtf8("请选择打印机!\r\n Pls Select Printer"), program, MsgIcon::None}}));

    EXPECT_EQ(cups.JobCount(), 3);
    QThread::msleep(300);
    EXPECT_EQ(sink.Jobs().size(), 3u);
    EXPECT_TRUE(posperiph_journal().empty());
    posperiph_use_simulation();

    // The default printer's name is read into an 80-byte field: 79 bytes still select it, 80 do not.
    const QString name79(79, 'L'), name80(80, 'M');
    for (const QString& queue : {name79, name80})
        ASSERT_TRUE(cups.Run("lpadmin", {"-p", queue, "-E", "-v", device}));
    struct Case {
        QString defaultName;
        QString selected;
    };
    for (const Case& c : {Case{name79, name79}, Case{name80, QString()}}) {
        ASSERT_TRUE(cups.Run("lpadmin", {"-d", c.defaultName}));
        CPagePrinter other(nullptr);
        auto* otherList = FindControl<QComboBox>(&other, 1018);
        EXPECT_EQ(otherList->count(), 4) << c.defaultName.size();
        EXPECT_EQ(otherList->currentText(), c.selected) << c.defaultName.size();
        EXPECT_EQ(otherList->currentIndex(), c.selected.isEmpty() ? -1 : otherList->findText(c.selected));
    }
}

} // namespace
