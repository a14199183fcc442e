#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QWidget;
struct PageResult;

// What the dialogs of the 工具 menu that run a list of keywords (批量生成, 站点管理, 新建站点)
// share: the captions they have in common, loading a keyword file, and a keyword's line in a log.
namespace tooldialogs {

inline constexpr QStringView keywordsLabel = u"关键词:";
inline constexpr QStringView keywordsHint = u"每行一个关键词;可在关键词后用制表符分隔写上数量和模板";
inline constexpr QStringView loadFile = u"从文件载入…";
inline constexpr QStringView templateLabel = u"模板:";
inline constexpr QStringView countLabel = u"数量:";
inline constexpr QStringView sortLabel = u"排序:";
inline constexpr QStringView baseUrlLabel = u"网站网址:";
inline constexpr QStringView baseUrlHint = u"可选,例如 https://example.com/ ,填写后生成sitemap.xml";
inline constexpr QStringView skipped = u"(跳过)"; // after a line of the list that is not used
inline constexpr QStringView noKeywords = u"没有可生成的关键词";
inline constexpr QStringView generating = u"正在生成: ";
inline constexpr QStringView cancelling = u"正在取消:当前关键词完成后停止...";
inline constexpr QStringView cancel = u"取消";
inline constexpr QStringView close = u"关闭";

// The template list `names` with `current` chosen (none when it is not listed), named "template".
QComboBox *templateBox(const QStringList &names, const QString &current, QWidget *parent);
// The sort orders with `current` chosen, named "sort".
QComboBox *sortBox(const QString &current, QWidget *parent);
// A keyword box and the row above it: its caption, and on the right the button that loads a file
// into it.
struct KeywordInput
{
    QHBoxLayout *row = nullptr;
    QPlainTextEdit *box = nullptr; // "keywords"
    QPushButton *load = nullptr;   // "loadFile"
};
KeywordInput keywordInput(QWidget *parent);
// The site's address on the web, "baseUrl".
QLineEdit *baseUrlEdit(QWidget *parent);

// How a run goes: a bar of the keywords done, a status line and a log of every keyword.
struct ProgressView
{
    QProgressBar *bar = nullptr;   // "progress"
    QLabel *status = nullptr;      // "status"
    QPlainTextEdit *log = nullptr; // "log"
};
ProgressView progressView(QWidget *parent);

// Asks for a keyword file; empty when none was chosen.
QString chooseKeywordFile(QWidget *parent);

// Puts the keyword list in the file at `path` into `box`, and the file's name into `name` when that
// is empty; false, with the line that says why in `error`, when the file cannot be read.
bool loadKeywordFile(const QString &path, QPlainTextEdit *box, QLineEdit *name, QString *error);

// "连衣裙: 10件商品", or "连衣裙: 未能生成 - " and why.
QString keywordLine(const PageResult &result);

} // namespace tooldialogs
