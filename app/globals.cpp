// Load-time objects of the application: the application object. Each lower layer
// defines its own (the log, the configuration reader and the chosen configuration
// file, the operating-system check's values); none of them needs this file.
#include "app/globals.h"

#include "app/tarvik_app.h"

CTarvikApp theApp;
