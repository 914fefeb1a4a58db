#include "state/printer_rows.h"

PrinterRows g_rows;
