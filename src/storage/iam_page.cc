#include "storage/iam_page.h"

namespace pagewright {

IamPage::~IamPage() = default;

}  // namespace pagewright
