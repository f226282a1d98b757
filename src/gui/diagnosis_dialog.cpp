#include "gui/diagnosis_dialog.h"

#include "core/headers/value_format.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QLineEdit *ReadOnlyLine(QFormLayout *form, const QString &label)
{
    auto *line = new QLineEdit;
    line->setReadOnly(true);
    line->setAccessibleName(label);
    form->addRow(label, line);
    return line;
}

QPlainTextEdit *ReadOnlyText(const QString &name)
{
    auto *text = new QPlainTextEdit;
    text->setReadOnly(true);
    text->setTabChangesFocus(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setAccessibleName(name);
    return text;
}

} // namespace

DiagnosisDialog::DiagnosisDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("ヘッダの診断"));
    setModal(false);
    setSizeGripEnabled(true);

    auto *form = new QFormLayout;
    address = ReadOnlyLine(form, QStringLiteral("アドレス"));
    protocol = ReadOnlyLine(form, QStringLiteral("プロトコル"));
    security = ReadOnlyLine(form, QStringLiteral("セキュリティ評価"));

    findings = new QTreeWidget;
    findings->setAccessibleName(QStringLiteral("診断結果"));
    findings->setHeaderLabels({QStringLiteral("水準"), QStringLiteral("内容"), QStringLiteral("参照")});
    findings->setWordWrap(true);
    findings->setUniformRowHeights(false);
    findings->header()->setStretchLastSection(false);
    findings->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    findings->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    headers = ReadOnlyText(QStringLiteral("ヘッダ"));
    connection = ReadOnlyText(QStringLiteral("接続"));

    auto *split = new QSplitter(Qt::Vertical);
    split->setChildrenCollapsible(false);
    split->addWidget(findings);
    split->addWidget(headers);
    split->addWidget(connection);
    // The timing and certificate lines are a dozen; the header block and the findings take what is left.
    split->setSizes({300, 300, 220});

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("閉じる"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(split, 1);
    layout->addWidget(buttons);
}

void DiagnosisDialog::ShowResponse(const report::LastResponse &response)
{
    const diagnosis::Response input = report::DiagnosisInput(response);
    const diagnosis::Diagnosis result = diagnosis::Diagnose(input);
    address->setText(response.url);
    protocol->setText(input.httpVersion);
    security->setText(report::SecurityText(result.security));

    findings->clear();
    for (const auto &[category, list] : report::FindingsByCategory(result.findings)) {
        auto *group = new QTreeWidgetItem(findings, {category});
        group->setFirstColumnSpanned(true);
        for (const diagnosis::Finding &finding : list) {
            // The sentences quote header values, which may hold control characters.
            new QTreeWidgetItem(group,
                {diagnosis::LevelText(finding.level).toString(), headers::VisibleControls(finding.message),
                    finding.reference});
        }
    }
    findings->expandAll();
    headers->setPlainText(report::AnnotatedBlock(response.block));
    connection->setPlainText(report::ConnectionText(response.facts, QDateTime::currentDateTimeUtc()));
}
