#include "app/appstate.h"

AppState App;
