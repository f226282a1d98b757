#pragma once

#include <QObject>
#include <QString>

#include <functional>

// Opens a file or folder in the desktop's program for it, through an opener
// command (xdg-open). The opener runs on its own; when it cannot be started
// or ends with a failure status, onFailure runs from the event loop.
class DesktopOpener : public QObject {
    Q_OBJECT
public:
    static inline const QString kDefaultProgram = QStringLiteral("xdg-open");

    explicit DesktopOpener(QObject *parent = nullptr) : QObject(parent) { }
    ~DesktopOpener() override;

    // The opener command, given the path as its one argument.
    void setProgram(const QString &program) { program_ = program; }
    void open(const QString &path, std::function<void()> onFailure);

private:
    QString program_ = kDefaultProgram;
};
