// The URL box's conveniences through the window: clipboard watch on focus,
// dropped text and a history choice, against the scripted local server.
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

// "image": an image and no text; "links:" and an address: a list of two links; else text.
QMimeData *Data(const QString &content)
{
    auto *data = new QMimeData;
    if (content == u"image")
        data->setImageData(QImage(4, 4, QImage::Format_RGB32));
    else if (content.startsWith(u"links:"))
        data->setUrls({QUrl(content.mid(6)), QUrl(QStringLiteral("http://second.invalid/"))});
    else
        data->setText(content);
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
        QVERIFY(w_->openWindow("[String]\nURL=restored\n"));
        w_->server.setScript(ScriptServer::Reply("200 OK", "Content-Length: 0\r\n"));
        url_ = w_->server.url(QStringLiteral("/page"));
    }

    void takeAddress_data()
    {
        // "focus" moved in, "window": came back with the window, "drop", or "history": chosen from the history
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("watch");   // clipboard watch
        QTest::addColumn<QString>("box");  // "restored": still the address restored at start
        QTest::addColumn<QString>("data"); // on the clipboard, or dropped
        QTest::addColumn<bool>("busy");    // a transfer already runs
        // The box afterwards | its selection | the boxes shown | the last request line | the restored address kept
        QTest::addColumn<QString>("after");

        const auto row = [](const char *name, const char *how, bool watch, const char *box, const char *data,
                            bool busy, const QString &after) {
            QTest::newRow(name) << how << watch << box << data << busy << after;
        };
        const QString bad = u'|' + kBadFormat + u'|';
        row("first focus only selects", "focus", true, "restored", "{url}", false, "restored|restored|||");
        row("watch on: pasted and fetched", "focus", true, "other", "{url}", false, "{url}|{url}||HEAD /page HTTP/1.1|restored");
        row("watch off", "focus", false, "other", "{url}", false, "other|other|||restored");
        row("clipboard without text", "focus", true, "other", "image", false, "other|other|||restored");
        row("back from another window", "window", true, "other", "{url}", false, "other|other|||restored");
        // The focus that comes back when the warning closes does not paste again.
        row("longer than the box: nothing fetched", "focus", true, "other", "{long}", false, "other|other" + bad + "|restored");
        row("no address: one warning", "focus", true, "other", "not an address", false,
            "not an address|not an address" + bad + "|restored");
        // The drop's own focus move does not paste the clipboard over the dropped text.
        row("drop text", "drop", true, "other", "  {url}", false, "{url}|{url}||HEAD /page HTTP/1.1|");
        row("drop links: the first", "drop", true, "other", "links:{url}", false, "{url}|{url}||HEAD /page HTTP/1.1|");
        row("drop text with a line break", "drop", true, "other", "{url}\nX: 1", false,
            "{url}\nX: 1|{url}\nX: 1|URL か Referer に改行などの制御文字が含まれているため、要求を送信しませんでした。||");
        row("drop longer than the box", "drop", true, "other", "{long}", false, "other|" + bad + '|');
        row("drop without text", "drop", true, "other", "image", false, "other||||");
        row("drop while a transfer runs", "drop", true, "other", "{url}", true, "other|||GET /busy HTTP/1.1|");
        row("history, watch off: the box takes the focus", "history", false, "other", "{url}", false,
            "{url}|{url}||HEAD /page HTTP/1.1|");
        // With clipboard watch on the focus stays, so the clipboard is not pasted over the chosen address.
        row("history, watch on", "history", true, "other", "{url}", false, "{url}|||HEAD /page HTTP/1.1|");
    }

    void takeAddress()
    {
        QFETCH(QString, how);
        QFETCH(bool, watch);
        QFETCH(QString, box);
        QFETCH(QString, data);
        QFETCH(bool, busy);
        QFETCH(QString, after);

        Form1 &form = *w_->form;
        const bool shown = how == u"drop" || how == u"history";
        if (shown) { // so that focus really moves
            form.show();
            QVERIFY(QTest::qWaitForWindowActive(&form));
            QCoreApplication::processEvents(); // the selection that the first focus left to do
            form.ui.Text1->setFocus();
            QGuiApplication::clipboard()->setText(QStringLiteral("http://clipboard.invalid/"));
        }
        form.ui.Check1->setChecked(watch);
        if (busy) {
            form.ui.Text3->setText(w_->server.url(QStringLiteral("/busy")));
            w_->server.setScript({});
            form.Command4_Click();
            QTRY_COMPARE_WITH_TIMEOUT(w_->server.requests().size(), 1, kDeadlineMs);
        }
        form.ui.Text3->setText(box);
        if (!shown) // the focus comes back to the box when a warning closes
            w_->boxes.onShow = [&form](const RecordingBoxes::Box &) { FocusIn(form.ui.Text3, Qt::ActiveWindowFocusReason); };
        std::unique_ptr<QMimeData> content(Data(expand(data)));
        if (how == u"history") {
            QVERIFY(testdata::WriteFile(QStringLiteral("rireki.txt"), expand(data).toUtf8()));
            form.menuTop_Click();
            form.ui.menuCpy[1]->trigger();
        } else if (how == u"drop") {
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, content.get(), Qt::LeftButton, {});
            QApplication::sendEvent(form.ui.Text3, &enter);
            QDropEvent event(QPointF(5, 5), Qt::CopyAction, content.get(), Qt::LeftButton, {});
            QApplication::sendEvent(form.ui.Text3, &event);
        } else {
            QGuiApplication::clipboard()->setMimeData(content.release());
            FocusIn(form.ui.Text3, how == u"focus" ? Qt::MouseFocusReason : Qt::ActiveWindowFocusReason);
        }
        if (how == u"focus" && form.Inet1->StillExecuting()) {
            // While that request runs, another focus changes nothing.
            QGuiApplication::clipboard()->setText(QStringLiteral("http://clipboard.invalid/"));
            FocusIn(form.ui.Text3, Qt::MouseFocusReason);
        }
        QTRY_VERIFY_WITH_TIMEOUT(busy || idle(form), kDeadlineMs);
        const QStringList seen = {form.ui.Text3->text(), form.ui.Text3->selectedText(), w_->boxes.texts().join(u','),
                                  QString::fromLatin1(window_fixture::LastRequestLine(w_->server)), form.strLastURL};
        QCOMPARE(seen.join(u'|'), expand(after));
    }
};


QTEST_MAIN(TestUrlBox)
#include "test_url_box.moc"
