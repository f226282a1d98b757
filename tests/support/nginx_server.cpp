#include "support/nginx_server.h"

#include "support/sample_data.h"
#include "support/script_server.h"

#include <QFileInfo>
#include <QTest>

NginxServer::~NginxServer()
{
    nginx_.terminate();
    nginx_.waitForFinished();
}

bool NginxServer::start(const QByteArray &serverLines)
{
    if (!testdata::MakeCertificate(files_.path())) {
        problem_ = QStringLiteral("no certificate from openssl");
        return false;
    }
    // The port is free a moment before nginx takes it; another process could
    // take it in between, and nginx would then fail to start and say so.
    port_ = ScriptServer::RefusedPort();
    const QByteArray config = "daemon off; master_process off; pid nginx.pid; error_log error.log warn;\n"
                              "events { worker_connections 16; }\n"
                              "http { access_log off; server_tokens off; types { text/html html; }\n"
                              "client_body_temp_path temp; proxy_temp_path temp; fastcgi_temp_path temp;\n"
                              "uwsgi_temp_path temp; scgi_temp_path temp;\n"
                              "server { listen 127.0.0.1:"
        + QByteArray::number(port_)
        + " ssl http2; ssl_certificate server.pem; ssl_certificate_key server.key; root site;\n" + serverLines
        + "}}\n";
    if (!QDir(files_.path()).mkpath("site")
        || !testdata::WriteFile(
            files_.filePath("site/index.html"), "<!DOCTYPE html><title>Tobrell</title><p>Tobrell</p>\n")
        || !testdata::WriteFile(files_.filePath("nginx.conf"), config)) {
        problem_ = QStringLiteral("cannot write nginx's files");
        return false;
    }
    nginx_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    nginx_.start(QStringLiteral("/usr/sbin/nginx"),
        {u"-p"_qs, files_.path() + u'/', u"-c"_qs, u"nginx.conf"_qs, u"-e"_qs, u"error.log"_qs});
    // nginx writes its pid file once it listens.
    const QString pidFile = files_.filePath("nginx.pid");
    if (!nginx_.waitForStarted() || !QTest::qWaitFor([&] {
            return QFileInfo(pidFile).size() > 0 || nginx_.state() == QProcess::NotRunning;
        })
        || nginx_.state() == QProcess::NotRunning) {
        problem_ = u"nginx did not start: "_qs
            + QString::fromLocal8Bit(testdata::ReadFile(files_.filePath("error.log")));
        return false;
    }
    return true;
}

QString NginxServer::caFile() const
{
    return files_.filePath("server.pem");
}

QString NginxServer::url(const QString &path) const
{
    return QStringLiteral("https://127.0.0.1:%1").arg(port_) + path;
}
