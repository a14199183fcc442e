#include "convertdialog.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "cancellation.h"
#include "convertreport.h"
#include "converttexts.h"
#include "formport.h"

namespace {

// The table's last column: a button that copies what replaced the row's input.
constexpr int copyColumn = int(std::size(converttexts::columns));

QLabel *plainLabel(QWidget *parent, const QString &name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    // Messages may quote the gateway: never read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

} // namespace

ConvertDialog::ConvertDialog(const AppSetup &setup, const FormPort &window, QWidget *parent)
    : QDialog(parent)
    , m_setup(setup)
    , m_window(window)
{
    setObjectName(u"ConvertDialog"_qs);
    setWindowTitle(u"转链"_qs);

    m_notice = plainLabel(this, u"notice"_qs);
    m_notice->setText(converttexts::notOpenPlatform.toString());
    m_notice->setStyleSheet(u"color: #b00020;"_qs);
    m_input = new QPlainTextEdit(this);
    m_input->setObjectName(u"input"_qs);
    m_input->setPlaceholderText(u"粘贴推广文案，或商品链接、商品ID、推广短链、淘口令，每行一个也可以"_qs);

    m_convert = new QPushButton(u"转换"_qs, this);
    m_convert->setObjectName(u"convert"_qs);
    m_convert->setDefault(true);
    m_cancelButton = new QPushButton(u"取消"_qs, this);
    m_cancelButton->setObjectName(u"cancel"_qs);
    m_status = plainLabel(this, u"status"_qs);
    connect(m_convert, &QPushButton::clicked, this, &ConvertDialog::convertText);
    connect(m_cancelButton, &QPushButton::clicked, this, &ConvertDialog::cancelConversion);

    m_table = new QTableWidget(0, copyColumn + 1, this);
    m_table->setObjectName(u"found"_qs);
    QStringList headers;
    for (const QStringView column : converttexts::columns)
        headers << column.toString();
    m_table->setHorizontalHeaderLabels(headers << u"复制"_qs);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->setVisible(false);
    // The title takes what the others leave; the links and 淘口令 fit whole.
    const int widths[] = {150, 0, 215, 120, 70, 85, 80, 72, 100};
    for (int column = 0; column < copyColumn; ++column)
        m_table->setColumnWidth(column, widths[column]);
    m_table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_table->setColumnWidth(copyColumn, 64);

    m_output = new QPlainTextEdit(this);
    m_output->setObjectName(u"output"_qs);
    m_output->setReadOnly(true);
    m_copyAll = new QPushButton(u"复制全部"_qs, this);
    m_copyAll->setObjectName(u"copyAll"_qs);
    connect(m_copyAll, &QPushButton::clicked, this, [this] {
        QGuiApplication::clipboard()->setText(m_output->toPlainText());
        m_status->setText(u"转换后的文本已复制到剪贴板"_qs);
    });

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(u"关闭"_qs);
    buttons->button(QDialogButtonBox::Close)->setObjectName(u"close"_qs);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto *commands = new QHBoxLayout;
    commands->addWidget(m_convert);
    commands->addWidget(m_cancelButton);
    commands->addWidget(m_status, 1);
    auto *outputRow = new QHBoxLayout;
    outputRow->addWidget(new QLabel(u"转换后的文本："_qs, this));
    outputRow->addStretch();
    outputRow->addWidget(m_copyAll);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_notice);
    layout->addWidget(new QLabel(u"推广文案："_qs, this));
    layout->addWidget(m_input, 2);
    layout->addLayout(commands);
    layout->addWidget(m_table, 2);
    layout->addLayout(outputRow);
    layout->addWidget(m_output, 2);
    layout->addWidget(buttons);
    resize(1180, 700);

    // Closing the window stops the calls in flight, as closing the dialog does.
    if (parent)
        parent->installEventFilter(this);
    setRunning(false);
    updateMode();
}

ConvertDialog::~ConvertDialog() = default;

ConvertDialog *ConvertDialog::showFor(const AppSetup &setup, const FormPort &window, QWidget *parent)
{
    auto *dialog = parent->findChild<ConvertDialog *>(QString(), Qt::FindDirectChildrenOnly);
    if (!dialog)
        dialog = new ConvertDialog(setup, window, parent);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

convert::ConvertSetup ConvertDialog::convertSetup() const
{
    convert::ConvertSetup setup;
    setup.source = m_setup.source;
    setup.account = m_setup.openPlatform;
    setup.pid = m_window.pidText();
    setup.now = m_setup.now;
    return setup;
}

void ConvertDialog::convertText()
{
    if (isRunning())
        return;
    updateMode();
    const convert::ConvertSetup setup = convertSetup();
    if (const QString refusal = convert::setupRefusal(setup); !refusal.isEmpty()) {
        m_status->setText(refusal);
        return;
    }
    m_cancel = std::make_unique<net::Cancellation>();
    setRunning(true);
    m_status->setText(converttexts::converting.toString());
    m_outcome =
        convert::convertText(m_input->toPlainText(), setup, m_cancel.get(), [this](int done, int total) {
            m_status->setText(converttexts::converting + u" "_qs + QString::number(done) + u'/' +
                              QString::number(total));
        });
    m_cancel.reset();
    setRunning(false);
    showOutcome();
}

void ConvertDialog::cancelConversion()
{
    if (m_cancel)
        m_cancel->cancel();
}

void ConvertDialog::showOutcome()
{
    const convert::ConvertOutcome &outcome = m_outcome;
    m_table->setRowCount(0);
    if (outcome.status != convert::ConvertOutcome::Status::Done) {
        m_status->setText(outcome.status == convert::ConvertOutcome::Status::Refused
                              ? outcome.refusal
                              : converttexts::cancelled.toString());
        return;
    }
    m_table->setRowCount(int(outcome.found.size()));
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const QStringList cells = convert::rowCells(outcome, row);
        for (int column = 0; column < copyColumn; ++column) {
            auto *item = new QTableWidgetItem(cells.value(column));
            if (column == copyColumn - 1 && !outcome.failures[row].isEmpty())
                item->setForeground(QColor(0xb0, 0x00, 0x20));
            m_table->setItem(row, column, item);
        }
        auto *copy = new QPushButton(u"复制"_qs, m_table);
        copy->setObjectName(u"copy"_qs + QString::number(row));
        const QString replacement = outcome.replacements[row];
        copy->setEnabled(!replacement.isEmpty());
        connect(copy, &QPushButton::clicked, this, [this, replacement] {
            QGuiApplication::clipboard()->setText(replacement);
            m_status->setText(u"已复制："_qs + replacement);
        });
        m_table->setCellWidget(row, copyColumn, copy);
    }
    m_output->setPlainText(outcome.text);
    m_status->setText(outcome.found.isEmpty()
                          ? converttexts::nothingFound.toString()
                          : converttexts::converted + u" "_qs + QString::number(outcome.convertedCount()) +
                                u'/' + QString::number(outcome.found.size()) + u" 项"_qs);
}

void ConvertDialog::setRunning(bool running)
{
    m_convert->setEnabled(!running && m_setup.source == itemsource::Source::OpenPlatform);
    m_cancelButton->setEnabled(running);
    m_input->setReadOnly(running);
}

void ConvertDialog::updateMode()
{
    const bool openPlatform = m_setup.source == itemsource::Source::OpenPlatform;
    m_notice->setVisible(!openPlatform);
    if (!isRunning())
        m_convert->setEnabled(openPlatform);
}

void ConvertDialog::showEvent(QShowEvent *event)
{
    updateMode();
    QDialog::showEvent(event);
}

void ConvertDialog::changeEvent(QEvent *event)
{
    // The service settings may have changed the mode meanwhile.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        updateMode();
    QDialog::changeEvent(event);
}

bool ConvertDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parent() && event->type() == QEvent::Close)
        cancelConversion();
    return QDialog::eventFilter(watched, event);
}

void ConvertDialog::closeEvent(QCloseEvent *event)
{
    cancelConversion();
    QDialog::closeEvent(event);
}
