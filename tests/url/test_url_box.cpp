// The URL box's conveniences through the window: clipboard watch on focus,
// and dropped text, against the scripted local server.
#include "support/sample_data.h"
#include "support/window_fixture.h"

#include <QClipboard>
#include <QFocusEvent>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QtTest>

using window_fixture::idle;
using window_fixture::kDeadlineMs;

namespace {

const QString kBadFormat = QStringLiteral("URL の書式が正しくないため、読み込みできませんでした。");

void FocusIn(QLineEdit *box, Qt::FocusReason reason)
{
    QFocusEvent event(QEvent::FocusIn, reason);
    QApplication::sendEvent(box, &event);
}

// "{url}" in text stands for the address of the scripted server's /page.
QMimeData *Data(const QString &format, const QString &text)
{
    auto *data = new QMimeData;
    if (format == u"image")
        data->setImageData(QImage(4, 4, QImage::Format_RGB32));
    else if (format == u"uri-list")
        data->setUrls({QUrl(text), QUrl(QStringLiteral("http://second.invalid/"))});
    else
        data->setText(text);
    return data;
}

} // namespace

class TestUrlBox : public QObject {
    Q_OBJECT

    std::unique_ptr<window_fixture::ScriptedWindow> w_;
    QString url_;

    // "{url}" stands for the scripted server's /page, "{long}" for that
    // address made one character longer than the URL box holds.
    QString expand(QString text) const
    {
        const QString tooLong = url_ + QLatin1Char('?') + QString(32767 - url_.size(), QLatin1Char('a'));
        return text.replace(QStringLiteral("{url}"), url_).replace(QStringLiteral("{long}"), tooLong);
    }

private Q_SLOTS:
    void init()
    {
        w_ = std::make_unique<window_fixture::ScriptedWindow>();
        QVERIFY(w_->start());
        QVERIFY(testdata::WriteFile(w_->program.filePath(QStringLiteral("settei.ini")), "[String]\nURL=restored\n"));
        w_->openWindow();
        w_->server.setScript(ScriptServer::Reply("200 OK", "Content-Length: 0\r\n"));
        url_ = w_->server.url(QStringLiteral("/page"));
    }

    void focus_data()
    {
        QTest::addColumn<bool>("watch");
        QTest::addColumn<QString>("box"); // "restored": still the address restored at start
        QTest::addColumn<QString>("clipboard"); // "image": an image, no text
        QTest::addColumn<bool>("movedIn");      // false: the focus came back with the window's activation
        QTest::addColumn<QString>("after");     // the box afterwards, fully selected; fetched when "{url}"
        QTest::addColumn<QStringList>("boxes");

        QTest::newRow("first focus only selects") << true << "restored" << "{url}" << true << "restored" << QStringList();
        QTest::newRow("watch on: pasted and fetched") << true << "other" << "{url}" << true << "{url}" << QStringList();
        QTest::newRow("watch off") << false << "other" << "{url}" << true << "other" << QStringList();
        QTest::newRow("clipboard without text") << true << "other" << "image" << true << "other" << QStringList();
        QTest::newRow("back from another window") << true << "other" << "{url}" << false << "other" << QStringList();
        // The focus that comes back when the warning closes does not paste again.
        QTest::newRow("longer than the box: nothing fetched") << true << "other" << "{long}" << true << "other"
                                                              << QStringList{kBadFormat};
        QTest::newRow("no address: one warning") << true << "other" << "not an address" << true << "not an address"
                                                 << QStringList{kBadFormat};
    }

    void focus()
    {
        QFETCH(bool, watch);
        QFETCH(QString, box);
        QFETCH(QString, clipboard);
        QFETCH(bool, movedIn);
        QFETCH(QString, after);
        after = expand(after);

        Form1 &form = *w_->form;
        form.ui.Check1->setChecked(watch);
        form.ui.Text3->setText(box);
        w_->boxes.onShow = [&form](const RecordingBoxes::Box &) { FocusIn(form.ui.Text3, Qt::ActiveWindowFocusReason); };
        QGuiApplication::clipboard()->setMimeData(Data(clipboard, expand(clipboard)));
        FocusIn(form.ui.Text3, movedIn ? Qt::MouseFocusReason : Qt::ActiveWindowFocusReason);

        QCOMPARE(form.ui.Text3->text(), after);
        QTRY_COMPARE(form.ui.Text3->selectedText(), after);
        QTEST(w_->boxes.texts(), "boxes");
        QCOMPARE(form.strLastURL.isEmpty(), box == u"restored");
        QCOMPARE(form.Inet1->StillExecuting(), after == url_);
        if (after != url_)
            return;
        // While that request runs, another focus changes nothing.
        QGuiApplication::clipboard()->setText(QStringLiteral("http://clipboard.invalid/"));
        FocusIn(form.ui.Text3, Qt::MouseFocusReason);
        QCOMPARE(form.ui.Text3->text(), after);
        QTRY_COMPARE_WITH_TIMEOUT(w_->server.requests().size(), 1, kDeadlineMs);
        QVERIFY(w_->server.requests().first().startsWith("HEAD /page HTTP/1.1\r\n"));
    }

    void drop_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("dropped");
        QTest::addColumn<bool>("busy"); // a transfer already runs
        QTest::addColumn<QString>("after");
        QTest::addColumn<QStringList>("boxes");

        QTest::newRow("text") << "text" << "  {url}" << false << "{url}" << QStringList();
        QTest::newRow("links as a URI list: the first") << "uri-list" << "{url}" << false << "{url}" << QStringList();
        QTest::newRow("text with a line break") << "text" << "{url}\nX: 1" << false << "{url}\nX: 1"
            << QStringList{"URL か Referer に改行などの制御文字が含まれているため、要求を送信しませんでした。"};
        QTest::newRow("longer than the box") << "text" << "{long}" << false << "other" << QStringList{kBadFormat};
        QTest::newRow("no text") << "image" << "" << false << "other" << QStringList();
        QTest::newRow("while a transfer runs") << "text" << "{url}" << true << "other" << QStringList();
    }

    void drop()
    {
        QFETCH(QString, format);
        QFETCH(QString, dropped);
        QFETCH(bool, busy);
        QFETCH(QString, after);
        dropped = expand(dropped);
        after = expand(after);

        Form1 &form = *w_->form;
        form.show(); // so that the drop really moves the focus into the URL box
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.ui.Text1->setFocus();
        form.ui.Check1->setChecked(true); // the drop's own focus move must not paste
        QGuiApplication::clipboard()->setText(QStringLiteral("http://clipboard.invalid/"));
        if (busy) {
            form.ui.Text3->setText(w_->server.url(QStringLiteral("/busy")));
            w_->server.setScript({});
            form.Command4_Click();
        }
        form.ui.Text3->setText(QStringLiteral("other"));
        const std::unique_ptr<QMimeData> data(Data(format, dropped));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(form.ui.Text3, &enter);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(form.ui.Text3, &event);

        QCOMPARE(form.ui.Text3->text(), after);
        QTEST(w_->boxes.texts(), "boxes");
        if (after != url_)
            return;
        QTRY_COMPARE(form.ui.Text3->selectedText(), after);
        QTRY_COMPARE_WITH_TIMEOUT(w_->server.requests().size(), 1, kDeadlineMs);
        QVERIFY(w_->server.requests().first().startsWith("HEAD /page HTTP/1.1\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(idle(form), kDeadlineMs);
    }
};


QTEST_MAIN(TestUrlBox)
#include "test_url_box.moc"
