#pragma once

// "Open helpfile" (F1) and the About box's link: the HTML manual beside the
// program in the web browser, or, where no browser shows it, a message that
// names the manual's path.
void OpenManual();
