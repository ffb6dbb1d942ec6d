// Commands whose behaviour is built with their features lived here until then; each has moved to
// its feature's own file, and none is pending any more.
#include "app/CKestrelportDlg.h"
