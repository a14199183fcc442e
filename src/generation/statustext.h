#pragma once

#include <QString>

// What a status page says, as one line of plain text, for drivers that have no browser pane:
// "about:" and the markup dropped, links left out (there is nothing to click), character
// references decoded, runs of white space made one blank. Text that merely looks like markup,
// such as "<2012新款...>" around an item title, stays, as a browser would show it.
namespace statustext {

QString plainText(QStringView page);

// A plain status line without the window's advice to click its generate command again ("请点击
// 开始生成按钮重新尝试生成..."): where there is no such command, only the reason before it is of use.
QString withoutCommandAdvice(QStringView text);

} // namespace statustext
