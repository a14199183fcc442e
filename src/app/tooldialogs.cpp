#include "tooldialogs.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include "batchrun.h"
#include "keywordfile.h"
#include "sortorders.h"

namespace tooldialogs {

QComboBox *templateBox(const QStringList &names, const QString &current, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(u"template"_qs);
    box->addItems(names);
    box->setCurrentIndex(box->findText(current));
    return box;
}

QComboBox *sortBox(const QString &current, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(u"sort"_qs);
    for (const sortorders::SortOrder &order : sortorders::all)
        box->addItem(order.text.toString());
    box->setCurrentIndex(box->findText(current));
    return box;
}

KeywordInput keywordInput(QWidget *parent)
{
    KeywordInput input;
    input.box = new QPlainTextEdit(parent);
    input.box->setObjectName(u"keywords"_qs);
    input.box->setPlaceholderText(keywordsHint.toString());
    input.load = new QPushButton(loadFile.toString(), parent);
    input.load->setObjectName(u"loadFile"_qs);
    input.row = new QHBoxLayout;
    input.row->addWidget(new QLabel(keywordsLabel.toString(), parent));
    input.row->addStretch();
    input.row->addWidget(input.load);
    return input;
}

QLineEdit *baseUrlEdit(QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(u"baseUrl"_qs);
    edit->setPlaceholderText(baseUrlHint.toString());
    return edit;
}

ProgressView progressView(QWidget *parent)
{
    ProgressView view;
    view.bar = new QProgressBar(parent);
    view.bar->setObjectName(u"progress"_qs);
    view.bar->setRange(0, 1);
    view.bar->setValue(0);
    view.status = new QLabel(parent);
    view.status->setObjectName(u"status"_qs);
    view.log = new QPlainTextEdit(parent);
    view.log->setObjectName(u"log"_qs);
    view.log->setReadOnly(true);
    view.log->setMaximumBlockCount(2000);
    return view;
}

QString chooseKeywordFile(QWidget *parent)
{
    return QFileDialog::getOpenFileName(parent, u"载入关键词文件"_qs, QString(),
                                        u"文本文件 (*.txt *.csv *.tsv);;所有文件 (*)"_qs);
}

bool loadKeywordFile(const QString &path, QPlainTextEdit *box, QLineEdit *name, QString *error)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        *error = QDir::toNativeSeparators(path) + u": 无法读取关键词文件"_qs;
        return false;
    }
    box->setPlainText(keywordfile::decode(file.readAll()));
    if (name->text().isEmpty())
        name->setText(QFileInfo(path).completeBaseName());
    return true;
}

QString keywordLine(const PageResult &result)
{
    if (result.outcome == RunOutcome::Written)
        return result.entry.keyword + u": "_qs + QString::number(result.itemCount) + u"件商品"_qs;
    if (result.outcome == RunOutcome::Cancelled)
        return result.entry.keyword + u": "_qs + result.reason;
    return result.entry.keyword + u": 未能生成 - "_qs + result.reason;
}

} // namespace tooldialogs
