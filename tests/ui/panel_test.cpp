#include "tests/capture/capture_test_window.h"

#include "app/ui_language.h"
#include "persistence/atomic_file_writer.h"
#include "ui/color_buttons.h"
#include "ui/eliding_combo_box.h"
#include "ui/eliding_label.h"

#include <QAbstractSlider>
#include <QCoreApplication>
#include <QFile>
#include <QHelpEvent>
#include <QProcess>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QToolTip>

namespace {

QString configPath(const QString &name = QString()) { return QDir(QCoreApplication::applicationDirPath()).filePath("config/" + name); }

void writeConfig(const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(configPath());
    QFile file(configPath(name));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// In text mode unless asked for the raw bytes.
QByteArray readConfig(const QString &name, QIODevice::OpenMode mode = QIODevice::Text)
{
    QFile file(configPath(name));
    return file.open(QIODevice::ReadOnly | mode) ? file.readAll() : QByteArray("<missing>");
}

std::unique_ptr<MainWindow> makeWindow() { return std::make_unique<MainWindow>(std::make_unique<FakeCameraPlatform>()); }

// Shown whole, or its beginning up to an ellipsis with the whole text a hover away.
bool readable(const QString &shown, const QString &whole, QWidget *widget)
{
    if (shown == whole)
        return true;
    QHelpEvent hover(QEvent::ToolTip, QPoint(4, 4), widget->mapToGlobal(QPoint(4, 4)));
    QCoreApplication::sendEvent(widget, &hover);
    return shown.endsWith(QChar(0x2026)) && shown.size() > 4 && whole.startsWith(shown.chopped(1))
        && QToolTip::isVisible() && QToolTip::text() == whole;
}

void answerColorDialog(const QColor &answer) { setColorDialogHandler([answer](QWidget *, const QColor &, const QString &) { return answer; }); }

} // namespace

class PanelTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QDir(configPath()).removeRecursively();
        setWriteFaultInjector({});
        answerColorDialog(QColor());   // a colour button clicked without a scripted answer gets Cancel
    }

    // Runs here in English and, on its own, once more in Traditional Chinese.
    void panelReadsWellInItsLanguage()
    {
        auto window = makeWindow();
        MainWindowTestAccess a(*window);
        window->resize(1280, 760);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const bool english = currentUiLanguage() == UiLanguage::English;
        QCOMPARE(window->findChild<QScrollArea *>(QStringLiteral("ControlScroll"))->width(), english ? 430 : 360);
        QCOMPARE(a.openButton()->text(), english ? QStringLiteral("Open") : QStringLiteral("開啟"));
        QCOMPARE(a.reticleColorButton()->text(), english ? QStringLiteral("Color #FFDC46") : QStringLiteral("顏色 #FFDC46"));

        // The longest texts of the pill and of the device list with no camera attached.
        auto *combo = static_cast<ElidingComboBox *>(a.deviceCombo());
        QVERIFY(readable(combo->shownText(), combo->currentText(), combo));
        auto *status = static_cast<ElidingLabel *>(a.statusLabel());
        const QStringList longTexts =
            english ? QStringList{QStringLiteral("Camera disconnected; switched to closed state"),
                                  QStringLiteral("Resolution mismatch: target 3264 x 2448")}
                    : QStringList{QStringLiteral("攝影機已中斷，已切換為關閉狀態"), QStringLiteral("解析度異常：指定 3264 x 2448")};
        for (const QString &text : longTexts) {
            status->setText(text);
            QVERIFY2(readable(status->shownText(), text, status), qPrintable(status->shownText()));
        }
        if (english)
            QVERIFY(status->shownText() != status->text());
    }

    void windowFitsTheScreen()
    {
        struct Row { QSize screen, size, minimum; };
        for (const Row &r : {Row{{1600, 1000}, {1280, 760}, {1120, 680}}, Row{{1024, 700}, {1024, 700}, {1024, 680}},
                             Row{{800, 600}, {800, 600}, {800, 600}}}) {
            auto window = makeWindow();
            window->resizeWithin(QSize(1280, 760), QRect(QPoint(0, 0), r.screen));
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window.get()));
            QCOMPARE(window->size(), r.size);
            QCOMPARE(window->minimumSize(), r.minimum);
            // The panel keeps its width beside the whole picture, and every control on it can be
            // scrolled into the window.
            const auto inWindow = [&window](QWidget *w) { return QRect(w->mapTo(window.get(), QPoint(0, 0)), w->size()); };
            auto *scroll = window->findChild<QScrollArea *>(QStringLiteral("ControlScroll"));
            QCOMPARE(scroll->width(), 430);
            QWidget *view = MainWindowTestAccess(*window).imageView();
            QCOMPARE(std::pair(window->rect().contains(inWindow(view)), inWindow(view).intersects(inWindow(scroll))), std::pair(true, false));
            for (QWidget *control : scroll->widget()->findChildren<QWidget *>()) {
                if (qobject_cast<QAbstractButton *>(control) || qobject_cast<QAbstractSlider *>(control)
                    || qobject_cast<QAbstractSpinBox *>(control) || qobject_cast<QComboBox *>(control)) {
                    scroll->ensureWidgetVisible(control, 0, 0);
                    QVERIFY2(window->rect().contains(inWindow(control)), qPrintable(control->metaObject()->className()));
                }
            }
        }
    }

    void pairsStayInStepAndColorsAreChosen()
    {
        auto window = makeWindow();
        MainWindowTestAccess a(*window);
        for (QAbstractSpinBox *editor : window->findChildren<QAbstractSpinBox *>(QStringLiteral("ValueEditor")))
            QVERIFY(!editor->keyboardTracking());
        a.reticleAngleSpin()->setValue(45.5);
        a.reticleLengthSpin()->setValue(5000);
        a.circleRadiusSpins()[2]->setValue(9);
        a.centerCodeYSpin()->setValue(1234);
        QCOMPARE(std::pair(a.reticleAngleSlider()->value(), a.reticleLengthSlider()->value()), std::pair(455, 4000));
        QCOMPARE(std::tuple(a.circles()[2].radius, a.circleRadiusSliders()[2]->value(), a.centerCodeY()), std::tuple(10, 10, 1234));
        QCOMPARE(readConfig(QStringLiteral("focus.txt")), QByteArray("<missing>"));   // only the button saves

        // Cancel keeps the colour; a chosen one names itself with text that stays readable on it.
        a.reticleColorButton()->click();
        answerColorDialog(QColor(10, 20, 30));
        a.circleColorButtons()[1]->click();
        QCOMPARE(std::pair(a.reticleColor(), a.circles()[1].color), std::pair(QColor(255, 220, 70), QColor(10, 20, 30)));
        QCOMPARE(a.circleColorButtons()[1]->text(), QStringLiteral("Color #0A141E"));
        QVERIFY(a.circleColorButtons()[1]->styleSheet().contains(QStringLiteral("color: #ffffff;")));

        // The overlay record, relative to the crop, with the centre offset only while switched on.
        a.centerCodeXSpin()->setValue(960);
        a.centerCodeYSpin()->setValue(540);
        a.offsetXSlider()->setValue(5);
        a.offsetYSlider()->setValue(-3);
        const OverlaySettings &o = a.imageView()->overlaySettings();
        a.collectOverlaySettings(QSize(1920, 1080), QPoint(480, 270));
        QCOMPARE(std::tuple(o.enabled, o.centerX, o.centerY), std::tuple(true, 480.0, 270.0));
        a.centerOffsetCheck()->setChecked(true);
        a.reticleStyleCombo()->setCurrentIndex(1);
        a.circleEnableChecks()[1]->setChecked(false);
        a.collectOverlaySettings(QSize(1920, 1080), QPoint(0, 0));
        QCOMPARE(std::tuple(o.centerX, o.centerY, o.reticleStyle, o.reticleAngle), std::tuple(965.0, 537.0, 1, 45.5));
        QCOMPARE(std::tuple(o.circles[0].enabled, o.circles[1].enabled, o.circles[2].enabled, o.circles[2].radius), std::tuple(true, false, true, 10.0));
    }

    void saveAndLoadRoundTrip()
    {
        MessageRecorder messages;
        auto window = makeWindow();
        MainWindowTestAccess a(*window);
        // Without a stored choice a lost camera stays closed; the operator's tick is kept.
        QVERIFY(!a.autoReconnectCheck()->isChecked());
        a.autoReconnectCheck()->click();
        const int radii[] = {111, 2222, 333};
        for (std::size_t i = 0; i < 3; ++i) {
            a.circleRadiusSliders()[i]->setValue(radii[i]);
            a.circleThicknessSpins()[i]->setValue(int(i) + 3);
            a.circleEnableChecks()[i]->setChecked(false);
            answerColorDialog(QColor(int(i), 100 + int(i), 255));
            a.circleColorButtons()[i]->click();
        }
        answerColorDialog(QColor(1, 2, 3));
        a.reticleColorButton()->click();
        a.reticleLengthSpin()->setValue(777);
        a.reticleThicknessSlider()->setValue(7);
        a.reticleAngleSpin()->setValue(123.4);
        a.reticleStyleCombo()->setCurrentIndex(1);
        a.reticleEnableCheck()->setChecked(false);
        a.offsetXSpin()->setValue(-7);
        a.offsetYSlider()->setValue(12);
        a.centerOffsetCheck()->setChecked(true);
        a.centerCodeXSpin()->setValue(1500);
        a.centerCodeYSpin()->setValue(900);
        // Copies an operator keeps beside the files: no save may take them for its own.
        const QStringList operatorFiles{QStringLiteral("config4k.txt.backup"), QStringLiteral("config1k.txt.2024v1"),
                                        QStringLiteral("focus.txt.orig12")};
        for (const QString &name : operatorFiles)
            writeConfig(name, name.toUtf8());

        a.saveParameters();
        a.saveFocusCenter();
        for (const QString &name : operatorFiles)
            QCOMPARE(readConfig(name), name.toUtf8());
        QCOMPARE(std::pair(messages.messages.size(), messages.messages.value(0).kind), std::pair(qsizetype(2), MessageKind::Information));
        QCOMPARE(messages.messages[0].title + ": " + messages.messages[0].text, QStringLiteral("Parameters: Parameters saved."));
        QCOMPARE(messages.messages[1].text, QStringLiteral("Center code saved to focus.txt."));
        const QByteArray saved = "111 3 2222 4 333 5 777 7 1234 0 100 255 1 101 255 2 102 255 1 2 3 1 0 0 0 0 -7 12 1\n";
        QCOMPARE(readConfig(QStringLiteral("config4k.txt")), saved);
        QCOMPARE(readConfig(QStringLiteral("config1k.txt")), QByteArray("111 3 2222 4 333 5 777 7 1234 0 0 0 0 -7 12 1\n"));
        QCOMPARE(readConfig(QStringLiteral("focus.txt")), QByteArray("1500 900\n"));

        // A new window loads every value, silently: saving it again writes the same bytes.
        auto other = makeWindow();
        MainWindowTestAccess b(*other);
        QVERIFY(b.autoReconnectCheck()->isChecked());
        QCOMPARE(b.reticleColorButton()->text(), QStringLiteral("Color #010203"));
        QCOMPARE(QPoint(b.centerCodeXSpin()->value(), b.centerCodeY()), QPoint(1500, 900));
        QVERIFY(QFile::remove(configPath(QStringLiteral("config4k.txt"))));
        b.saveParameters();
        QCOMPARE(readConfig(QStringLiteral("config4k.txt")), saved);
        QCOMPARE(messages.messages.size(), 3);
    }

    void centerCodeFile()
    {
        // A partial file changes nothing; numbers on lines of their own are numbers all the same;
        // a file past 64 KiB is no centre code file.
        const std::pair<QByteArray, QPoint> rows[] = {
            {"960 540\n", {960, 540}}, {"123\n", {960, 540}}, {"\n12\n\n34\n", {12, 34}}, {"56 78\n" + QByteArray(64 * 1024, '\n'), {12, 34}}};
        auto window = makeWindow();
        MainWindowTestAccess a(*window);
        for (const auto &[content, expected] : rows) {
            writeConfig(QStringLiteral("focus.txt"), content);
            a.loadParameters();
            QCOMPARE(QPoint(a.centerCodeX(), a.centerCodeYSpin()->value()), expected);
        }
    }

    // Whatever a damaged file holds, every control stays in step with its editor and its record.
    void damagedFilesLeaveThePanelInStep()
    {
        MessageRecorder messages;
        auto window = makeWindow();
        MainWindowTestAccess a(*window);
        a.reticleLengthSlider()->setValue(777);
        // A folder has nothing to read; a FIFO (where there are any) would block the open for ever.
        QVERIFY(QDir(configPath()).mkpath(QStringLiteral("config4k.txt")));
        QProcess::execute(QStringLiteral("mkfifo"), {configPath(QStringLiteral("focus.txt"))});
        a.loadParameters();
        QVERIFY(QDir(configPath()).rmdir(QStringLiteral("config4k.txt")));
        QFile::remove(configPath(QStringLiteral("focus.txt")));
        // One past 64 KiB is no settings file, however it begins; config1k.txt is never read back.
        writeConfig(QStringLiteral("config4k.txt"), "301 4 461 2 621 2 500 3 900 10 20 30 40 50 60 70 80 90 1 2 3 1" + QByteArray(64 * 1024, ' '));
        writeConfig(QStringLiteral("config1k.txt"), "999 9 999 9 999 9 999 9 999 0 0 0 0 9 9 1\n");
        a.loadParameters();
        QCOMPARE(a.reticleLengthSlider()->value(), 777);

        // Plausible numbers most of the time, then numbers at and past every limit, and words.
        const QByteArray odd[] = {"-0", "007", "-1", "2147483647", "-2147483648", "4294968256", "99999999999999999999999",
                                  "1e3", "0x10", "1.5", "abc", "\xff\xfe", "12\x80"};
        const char *const separators[] = {" ", "\t", "\r", "\r\n", "\v\f "};
        QRandomGenerator rng(20261207);
        const auto randomFile = [&](int tokens) {
            QByteArray content;
            for (int i = 0; i < tokens; ++i) {
                content += rng.bounded(3) ? QByteArray::number(int(rng.bounded(-300, 3000))) : odd[rng.bounded(int(std::size(odd)))];
                content += separators[rng.bounded(int(std::size(separators)))];
            }
            return content;
        };
        int pairs = 0;
        for (int n = 0; n < 600; ++n) {
            // Mostly about the stored lengths, so that every optional tail is read.
            writeConfig(QStringLiteral("config4k.txt"), randomFile(rng.bounded(4) ? int(rng.bounded(20, 31)) : int(rng.bounded(41))));
            writeConfig(QStringLiteral("focus.txt"), randomFile(int(rng.bounded(4))));
            a.loadParameters();
            const QByteArray where = "case " + QByteArray::number(n);
            for (QAbstractSpinBox *editor : window->findChildren<QAbstractSpinBox *>(QStringLiteral("ValueEditor"))) {
                const QList<QSlider *> slider = editor->parentWidget()->findChildren<QSlider *>();
                const auto *whole = qobject_cast<QSpinBox *>(editor);
                const int value = whole ? whole->value() : qRound(static_cast<QDoubleSpinBox *>(editor)->value() * 10);
                QVERIFY2(slider.size() != 1 || slider[0]->value() == value, where);
                pairs += int(slider.size() == 1);
            }
            for (std::size_t i = 0; i < 3; ++i) {
                const CircleSettings &c = a.circles()[i];
                QVERIFY2(c.radius == a.circleRadiusSliders()[i]->value() && c.thickness == a.circleThicknessSliders()[i]->value()
                             && c.enabled == a.circleEnableChecks()[i]->isChecked() && c.color.isValid() && c.color.alpha() == 255,
                         where);
            }
            QVERIFY2(a.reticleColor().isValid() && a.reticleColor().alpha() == 255 && a.reticleStyleCombo()->currentIndex() >= 0
                         && a.reticleStyleCombo()->currentIndex() <= 1 && a.centerCodeX() == a.centerCodeXSpin()->value()
                         && a.centerCodeY() == a.centerCodeYSpin()->value(),
                     where);
        }
        QCOMPARE(std::pair(messages.messages.size(), pairs >= 600 * 12), std::pair(qsizetype(0), true));   // every slider with its editor
    }

    void failedSavesWarnAndKeepPreviousFiles()
    {
        MessageRecorder messages;
        auto window = makeWindow();
        MainWindowTestAccess a(*window);
        const auto lastMessage = [&] { return messages.messages.last().title + ": " + messages.messages.last().text; };
        writeConfig(QStringLiteral("config1k.txt"), "4 5 6\n");

        // config4k is write-protected: warn, say why in the log, and leave both.
        DiagnosticLogReader log;
        writeConfig(QStringLiteral("config4k.txt"), "1 2 3\n");
        QVERIFY(QFile::setPermissions(configPath(QStringLiteral("config4k.txt")), QFile::ReadOwner | QFile::ReadOther));
        a.saveParameters();
        QCOMPARE(std::pair(messages.messages.size(), messages.messages.value(0).kind), std::pair(qsizetype(1), MessageKind::Warning));
        QCOMPARE(std::pair(lastMessage(), log.contains("Failed to write config4k.txt: the file is write-protected")),
                 std::pair(QStringLiteral("Parameters: Unable to write config4k.txt."), true));
        QCOMPARE(readConfig(QStringLiteral("config1k.txt")) + readConfig(QStringLiteral("config4k.txt")), QByteArray("4 5 6\n1 2 3\n"));

        // config1k cannot be replaced: config4k is saved, but no claim that everything was.
        QVERIFY(QFile::setPermissions(configPath(QStringLiteral("config4k.txt")), QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(QFile::remove(configPath(QStringLiteral("config1k.txt"))));
        QVERIFY(QDir(configPath()).mkdir(QStringLiteral("config1k.txt")));
        a.saveParameters();
        QCOMPARE(std::pair(messages.messages.size(), lastMessage()), std::pair(qsizetype(2), QStringLiteral("Parameters: Unable to write config1k.txt.")));
        QCOMPARE(readConfig(QStringLiteral("config4k.txt")).split(' ').size(), 29);

        // A save that dies halfway keeps the old file.
        writeConfig(QStringLiteral("focus.txt"), "7 8\n");
        setWriteFaultInjector([](const QString &path) { return path.endsWith(QStringLiteral("focus.txt")) ? 2 : -1; });
        a.centerCodeXSpin()->setValue(100);
        a.saveFocusCenter();
        QCOMPARE(std::pair(messages.messages.size(), lastMessage()), std::pair(qsizetype(3), QStringLiteral("Center Code: Unable to write focus.txt.")));
        QCOMPARE(readConfig(QStringLiteral("focus.txt")), QByteArray("7 8\n"));
        QCOMPARE(a.centerCodeX(), 100);
    }
};

QTEST_MAIN(PanelTest)
#include "panel_test.moc"
