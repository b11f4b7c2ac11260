// A floor that includes a floor above it: the floor check must refuse it.
#include "app/MainWindow.h"
#include "base/Logger.h"
