#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// Every text the template library and the generation run show to the user, kept in one place.
namespace generationtexts {

// Template list and preview.
inline constexpr QStringView noTemplate = u"暂无模板";
inline constexpr QStringView noTemplatePage = u"about:无模板";

// Input refusals, in the order the run checks them.
inline constexpr QStringView chooseTemplate = u"请先选择模板文件!";
inline constexpr QStringView badPid = u"正确的淘宝客PID格式是mm_和_0_0中间的8位数字,例如：30571968";
inline constexpr QStringView emptyKeyword = u"关键词不能为空!";
// A keyword is a search, not a document: a longer one is a paste gone wrong.
inline constexpr int maxKeywordLength = 100;
inline constexpr QStringView keywordTooLong = u"关键词不能超过100个字!";
// The settings name a source of items the program does not know.
inline constexpr QStringView unknownSource = u"数据来源无法识别,只能是“接口测试工具”或“开放平台”";

// Template refusals, in the order the template is checked.
inline constexpr QStringView templateFileInvalid = u"模板文件无效";
inline constexpr QStringView templateHeaderInvalid = u"模板头部无效";
inline constexpr QStringView templateFooterInvalid = u"模板尾部无效";
inline constexpr QStringView templateLoopInvalid = u"模板循环区域无效";

// The generate command's two captions.
inline constexpr QStringView commandIdle = u"开始生成";
inline constexpr QStringView commandRunning = u"生成中...";

// Why an output folder could not be written.
inline constexpr QStringView reasonNameTaken = u"该位置已有同名文件,无法创建文件夹";
inline constexpr QStringView reasonCannotCreate = u"无法创建文件夹(名称无效、过长或没有写入权限)";
inline constexpr QStringView reasonCannotCopy = u"无法复制模板中的文件";
inline constexpr QStringView reasonCannotWrite = u"无法写入单页文件index.htm";

// "about:无模板" for the placeholder entry's own page; "about:模板<name>暂无预览" otherwise. The name
// goes in as it stands.
QString noPreviewPage(const QString &templateName);

// The page shown after a successful run: the folder as given, then the three result links, then
// (only when there are any) the links of the template folder that were not copied, escaped.
QString successPage(const QString &folder, const QStringList &skippedLinks = {});

// Shown while a large template folder is being copied.
QString copyingPage(int filesCopied);

// The page shown when the output could not be written: the folder (escaped) and the reason.
QString failurePage(const QString &folder, QStringView reason);

} // namespace generationtexts
