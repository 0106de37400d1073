// The program as a whole: the entry's run of the event loop with a command-line batch, an
// exception that ends the run, "--help" and "--version" without a display, and the demo card
// that scripts/run.sh offers.
#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <stdexcept>

#include "Qtharness.h"
#include "app/Version.h"
#include "card/Zwqcardunit.h"
#include "platform/Paths.h"

using qttest::kWaitMs;
using qttest::Q;
using qttest::Session;
using qttest::U;
using testsupport::A;

namespace {

constexpr int kRunLimitMs = 3 * kWaitMs;

// Runs the program's entry on the session's platform with a command line; the run is cut short
// (and reported) when it has not ended in time.
struct EntryRun {
    int result = -1;
    bool timedOut = false;
};
EntryRun RunEntry(platform::Platform& platform, const QStringList& arguments) {
    EntryRun run;
    qtgui::QtApplication application(arguments, [] { QCoreApplication::exit(0); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&run] {
        run.timedOut = true;
        QCoreApplication::exit(0);
    });
    guard.start(kRunLimitMs);
    run.result = qtgui::RunProgram(platform, application);
    return run;
}

std::string OnCard(Session& s, int n) {
    char name[32] = {};
    std::snprintf(name, sizeof name, "BOOK_%03d.ydr", n);
    return platform::JoinPath(s.card(), name);
}

// The real file system, except that asking for the free space fails with an exception.
class ExplodingFiles : public testsupport::TestFiles {
public:
    int64_t FreeBytes(const std::string&) override { throw std::runtime_error("the drive went away: ошибка"); }
};

struct ProcessResult {
    bool finished = false;
    int exitCode = -1;
    QString output;
};
ProcessResult RunProcess(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    ProcessResult result;
    result.finished = process.waitForFinished(kWaitMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished(kWaitMs);
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = QString::fromUtf8(process.readAllStandardOutput());
    return result;
}

QByteArray ReadBytes(const std::string& path) {
    QFile file(Q(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

uint32_t Little32(const QByteArray& bytes, int at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

}  // namespace

class ProgramTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qtgui::PrepareApplication(*qApp, translator_); }

    void aBatchWriteEndsTheProgram() {
        Session s;
        s.MakeBooks({1});
        s.StoreCard();
        s.SetFreeMegabytes(100);
        const std::string source = s.Source("new", "New");
        s.script.Press(QMessageBox::Ok);
        const EntryRun run = RunEntry(s.test.platform, {Q(source)});
        QVERIFY(!run.timedOut);
        QCOMPARE(run.result, 0);
        QVERIFY(s.script.unexpected.empty());
        QCOMPARE(s.script.seen.size(), std::size_t{1});
        QCOMPARE(s.script.seen[0].text, U("Книга Автор - New успешно записана на карту памяти"));
        QCOMPARE(s.Slots(), (std::map<int, std::string>{{1, "T1"}, {2, "New"}}));
    }

    void aBatchOfDeletionsAsksOnceAndEndsTheProgram() {
        Session s;
        s.MakeBooks({1, 2, 3});
        s.StoreCard();
        s.SetFreeMegabytes(100);
        s.script.Press(QMessageBox::Yes);
        s.script.Press(QMessageBox::Ok);
        const EntryRun run = RunEntry(s.test.platform, {Q(OnCard(s, 1)), Q(OnCard(s, 3))});
        QVERIFY(!run.timedOut);
        QCOMPARE(run.result, 0);
        QVERIFY(s.script.unexpected.empty());
        QCOMPARE(s.script.seen.size(), std::size_t{2});
        QCOMPARE(s.script.seen[0].title, U("Удаление книг"));
        QCOMPARE(s.script.seen[0].text, U("Вы действительно хотите удалить книги (2 шт.) с карты памяти"));
        QCOMPARE(s.script.seen[1].text, U("Удаление книг завершено"));
        QCOMPARE(s.Slots(), (std::map<int, std::string>{{1, "T2"}}));
    }

    void refusingTheBatchStillEndsTheProgram() {
        Session s;
        s.MakeBooks({1, 2});
        s.StoreCard();
        s.SetFreeMegabytes(100);
        s.script.Press(QMessageBox::No);
        const EntryRun run = RunEntry(s.test.platform, {Q(OnCard(s, 1)), Q(OnCard(s, 2))});
        QVERIFY(!run.timedOut);
        QCOMPARE(run.result, 0);
        QCOMPARE(s.script.seen.size(), std::size_t{1});
        QCOMPARE(s.Slots().size(), std::size_t{2});
    }

    void aRequestToEndLetsTheStartUpFinishFirst() {
        // The restart with administrator rights asks the program to end; the rest of the
        // start-up, a batch write with its box included, still runs before it ends.
        Session s;
        s.StoreSettings({"CARD_PATH=" + s.card()});
        s.SetFreeMegabytes(100);
        s.test.system.isAdmin = false;
        const std::string source = s.Source("new", "New");
        s.script.Press(QMessageBox::Yes);  // integrate
        s.script.Press(QMessageBox::Ok);   // the restart
        s.script.Press(QMessageBox::Ok);   // the book written
        const EntryRun run = RunEntry(s.test.platform, {Q(source)});
        QVERIFY(!run.timedOut);
        QCOMPARE(run.result, 0);
        QVERIFY2(s.script.unexpected.empty(), qPrintable(s.script.unexpected.join("; ")));
        QCOMPARE(s.script.seen.size(), std::size_t{3});
        QCOMPARE(s.script.seen[1].text, U("Приложение будет перезапущено с правами администратора"));
        QCOMPARE(s.script.seen[2].text, U("Книга Автор - New успешно записана на карту памяти"));
        QCOMPARE(s.test.system.elevations.size(), std::size_t{1});
        QCOMPARE(s.Slots(), (std::map<int, std::string>{{1, "New"}}));
    }

    void cancellingTheFirstCardChoiceEndsTheProgram() {
        Session s;
        s.script.ChooseCard(QString(), false);
        const EntryRun run = RunEntry(s.test.platform, {});
        QVERIFY(!run.timedOut);
        QCOMPARE(run.result, 0);
        QCOMPARE(s.script.seen.size(), std::size_t{1});
        QVERIFY(!testsupport::Exists(s.settingsFile()));
    }

    void anExceptionIsShownAndTheEntryReturnsZero() {
        Session s;
        s.StoreCard();
        ExplodingFiles files;
        platform::Platform exploding{files, s.test.folders, s.test.platform.extractor, s.test.drives, s.test.system,
                                     platform::IntegrationStyle::FreeDesktop, nullptr};
        s.script.Press(QMessageBox::Ok);
        const EntryRun run = RunEntry(exploding, {});
        QVERIFY(!run.timedOut);
        QCOMPARE(run.result, 0);
        QVERIFY(s.script.unexpected.empty());
        QCOMPARE(s.script.seen.size(), std::size_t{1});
        QCOMPARE(s.script.seen[0].title, U("ZWQ-менеджер"));
        QCOMPARE(s.script.seen[0].text, U("the drive went away: ошибка"));
        QCOMPARE(s.script.seen[0].icon, QMessageBox::Critical);
    }

    void helpAndVersionNeedNoDisplay() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
        const ProcessResult version = RunProcess(ZWQ_MANAGER_PROGRAM, {"--version"}, environment);
        QVERIFY(version.finished);
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.output, U("ZWQ-менеджер " ZWQ_VERSION_TEXT "\n"));
        const ProcessResult help = RunProcess(ZWQ_MANAGER_PROGRAM, {"--help"}, environment);
        QVERIFY(help.finished);
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.output.startsWith(U("ZWQ-менеджер " ZWQ_VERSION_TEXT ": книги на карте памяти тифлофлешплеера\n")));
        QVERIFY(help.output.contains(U("--integrate ")));
        QVERIFY(help.output.contains(U("--desintegrate ")));
    }

    void theDemoCardOpensWithItsThreeBooks() {
        Session s;
        const std::string card = s.dir / "demo/card";
        const std::string config = s.dir / "demo/config";
        const std::string settings = config + "/kv8102tz/ZWQManager/ZWQManager.ini";
        const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const ProcessResult made = RunProcess(ZWQ_DEMO_CARD_PROGRAM, {Q(card), Q(settings)}, environment);
        QVERIFY(made.finished);
        QCOMPARE(made.exitCode, 0);

        // Real books: each descriptor's size is its files' size, and each file a WAV tone.
        TMemoryCard model(s.test.platform);
        model.SetCardPath(card);
        model.Scan();
        QCOMPARE(model.Books.size(), std::size_t{3});
        for (const auto& book : model.Books) {
            int64_t bytes = 0;
            for (const std::string& entry : book->Files) {
                const QByteArray wav = ReadBytes(platform::JoinPath(card, platform::EntryToPath(entry)));
                QVERIFY2(wav.startsWith("RIFF") && wav.mid(8, 8) == "WAVEfmt ", entry.c_str());
                QCOMPARE(Little32(wav, 4), static_cast<uint32_t>(wav.size() - 8));
                bytes += wav.size();
            }
            constexpr int64_t kKilobyte = 1024;
            QCOMPARE(book->TotalSize, (bytes + kKilobyte - 1) / kKilobyte * kKilobyte);
        }

        // The program opens on it through the settings written beside it.
        s.test.folders.appData = config;
        s.SetFreeMegabytes(500);
        s.script.Escape();  // the integration question of a first start
        s.Start();
        QVERIFY(s.WaitStarted());
        QMap<QString, QString> sizes;
        for (int i = 0; i < s.Rows().size(); ++i) sizes[s.Rows()[i]] = s.Sizes()[i];
        QCOMPARE(sizes, (QMap<QString, QString>{{U("Иван Петров - Звуки леса"), U("1 Мб")},
                                                 {U("Мария Соколова - Морские истории"), U("2 Мб")},
                                                 {U("Пётр Иванов - Короткий рассказ"), U("0 Мб")}}));
        QCOMPARE(s.Status(), U("Записано книг: 3, общим объемом 3 Мб. Свободно 500 Мб."));
        QTRY_VERIFY_WITH_TIMEOUT(s.script.Finished(), kWaitMs);
        QVERIFY(s.script.unexpected.empty());

        // A second run does not write over a card that holds something.
        const ProcessResult again = RunProcess(ZWQ_DEMO_CARD_PROGRAM, {Q(card), Q(settings)}, environment);
        QVERIFY(again.finished);
        QCOMPARE(again.exitCode, 1);
        model.Scan();
        QCOMPARE(model.Books.size(), std::size_t{3});
    }

private:
    QTranslator translator_;
};

QTEST_MAIN(ProgramTest)
#include "Qtprogramtest.moc"
