#pragma once
// The pictures of toolbar 128 and the program's icon. The desktop theme's icons are used when it has
// them; otherwise small drawings of the same things, so the toolbar looks the same on a bare machine.
#include <QIcon>

namespace ostrada {

enum class ToolbarPicture { kAbout };

QIcon ToolbarIcon(ToolbarPicture picture);
// Icons 128 and 129: the program's own picture.
QIcon ProgramIcon();

}  // namespace ostrada
