#pragma once
// Whether the program logs in to trading by itself at the next start. Off unless the user asked, on
// the home board; kept in the program's settings.

namespace ostrada {

bool LoginRemembered();
void SetLoginRemembered(bool on);

}  // namespace ostrada
