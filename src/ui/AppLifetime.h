#pragma once

// Releases the process-wide objects at the end of the program, after the database is closed
// and before the main window goes: the gateway repair thread is stopped and waited for, the
// module catalogue and the language table are freed.
void ReleaseProcessObjects();
