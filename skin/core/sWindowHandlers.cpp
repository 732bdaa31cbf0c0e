#include "skin/core/sWindowHandlers.h"

TsWindowHandlerSeam& WindowHandlerSeam() {
  static TsWindowHandlerSeam seam;
  return seam;
}
