#include "support/page_writer.h"
