#pragma once

class FormPort;
struct WindowState;

// How a retrieval run ended; the generation run writes its page only after Completed.
enum class RetrievalOutcome { Completed, TimedOut, Failed, Aborted };

// Fetches the items for the window's inputs and appends one filled item block per item to
// state.itemsHtml; shows its status pages through form.navigate().
// Aborted: the window was closed during a wait; neither the form nor itemsHtml was touched after.
RetrievalOutcome apiceshijiekou(FormPort &form, WindowState &state);
