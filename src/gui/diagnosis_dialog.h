#pragma once

#include "core/report/last_response.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;
class QTreeWidget;

// What the headers of the last completed response mean: its address,
// protocol and security grade, the findings by category, the annotated
// header block, the timing and the certificate. Not modal; Escape closes it.
class DiagnosisDialog : public QDialog {
    Q_OBJECT
public:
    explicit DiagnosisDialog(QWidget *parent);

    void ShowResponse(const report::LastResponse &response);

    QLineEdit *address = nullptr;
    QLineEdit *protocol = nullptr;
    QLineEdit *security = nullptr;
    // A row per category, its findings below it: level, sentence, reference.
    QTreeWidget *findings = nullptr;
    QPlainTextEdit *headers = nullptr;
    QPlainTextEdit *connection = nullptr; // timing and certificate
};
