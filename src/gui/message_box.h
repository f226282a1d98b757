#pragma once

#include <QString>

class QWidget;

// The window's modal message boxes go through this seam so that tests can
// record them instead of waiting for a click.
class MessageBoxes {
public:
    enum class Icon { Exclamation, Information };
    static inline const QString kWarningTitle = QStringLiteral("警告");
    static inline const QString kInformationTitle = QStringLiteral("情報");

    virtual ~MessageBoxes() = default;
    // Shows a box with one OK button and returns once it is closed.
    virtual void show(const QString &title, const QString &text, Icon icon) = 0;
};

// The real thing: a QMessageBox owned by parent.
class DialogMessageBoxes : public MessageBoxes {
public:
    explicit DialogMessageBoxes(QWidget *parent) : parent_(parent) { }
    void show(const QString &title, const QString &text, Icon icon) override;

private:
    QWidget *parent_;
};
