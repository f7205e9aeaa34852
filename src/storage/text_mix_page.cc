#include "storage/text_mix_page.h"

namespace pagewright {

TextMixPage::~TextMixPage() = default;

}  // namespace pagewright
