#pragma once

#include <QTime>

class FormPort;
struct WindowState;

// The generate command: checks the inputs, reads and splits the chosen template, has the items
// fetched, then writes a fresh output folder below "已生成" (the template's files and "index.htm")
// and shows the success page, or a page saying why nothing could be written.
void shengcheng_Click(FormPort &form, WindowState &state);

// The time of day that names output folders; null restores the clock. For tests.
void setGenerationClock(QTime (*clock)());
