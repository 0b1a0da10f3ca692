// The font configuration, read before the first widget needs it. The first
// widget that measures text makes Qt read fontconfig's configuration (some
// sixty XML files on a desktop) before it lists the installed fonts; none
// of it waits for the display, so the editor has it read on a thread of
// its own while it connects to the display (work_ahead.h).
#pragma once

namespace muralis::linux_platform {

// Makes fontconfig's configuration for the process, once; safe from any
// thread. Qt's font database finds it made. A failure is left for Qt to
// meet when it reads it again.
void read_font_configuration();

} // namespace muralis::linux_platform
