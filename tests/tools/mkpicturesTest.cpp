#include "platform/pictures/JpegImage.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;

namespace {

int runTool(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(MKPICTURES_FILE), arguments);
    if (!process.waitForFinished(120000))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

class MkpicturesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void drawsEveryPictureTheProgramLoads()
    {
        QTemporaryDir dir;
        QCOMPARE(runTool({dir.path(), QStringLiteral("q2dm1"), QStringLiteral("q2ctf1")}), 0);
        const QDir folder(dir.path());
        QCOMPARE(loadJpeg(folder.filePath(QStringLiteral("nopic.jpg"))).size(), QSize(640, 480));
        const QImage dm1 = loadJpeg(folder.filePath(QStringLiteral("screens/q2dm1.jpg")));
        const QImage ctf1 = loadJpeg(folder.filePath(QStringLiteral("screens/q2ctf1.jpg")));
        QCOMPARE(dm1.size(), QSize(640, 480));
        QCOMPARE(ctf1.size(), QSize(640, 480));
        QVERIFY(dm1 != ctf1);
        QCOMPARE(QDir(folder.filePath(QStringLiteral("screens"))).entryList(QDir::Files).size(), 2);
    }

    void keepsExistingPicturesUnlessToldToReplace()
    {
        QTemporaryDir dir;
        const QString nopic = QDir(dir.path()).filePath(QStringLiteral("nopic.jpg"));
        const QString screenshot = QDir(dir.path()).filePath(QStringLiteral("screens/q2dm1.jpg"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("screens")));
        for (const QString& path : {nopic, screenshot}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("the user's own picture");
        }
        QCOMPARE(runTool({dir.path(), QStringLiteral("q2dm1"), QStringLiteral("q2dm2")}), 0);
        for (const QString& path : {nopic, screenshot}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray("the user's own picture"));
        }
        QVERIFY(QFile::exists(QDir(dir.path()).filePath(QStringLiteral("screens/q2dm2.jpg"))));

        QCOMPARE(runTool({QStringLiteral("--replace"), dir.path(), QStringLiteral("q2dm1")}), 0);
        QCOMPARE(loadJpeg(nopic).size(), QSize(640, 480));
        QCOMPARE(loadJpeg(screenshot).size(), QSize(640, 480));
    }

    void refusesLevelNamesThatLeaveTheScreensFolder()
    {
        QTemporaryDir dir;
        QCOMPARE(runTool({dir.path(), QStringLiteral("../escape")}), 1);
        QVERIFY(!QFile::exists(QDir(dir.path()).filePath(QStringLiteral("escape.jpg"))));
        QCOMPARE(runTool({}), 2);
    }
};

QTEST_GUILESS_MAIN(MkpicturesTest)
#include "mkpicturesTest.moc"
