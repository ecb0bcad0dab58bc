#include "support/PrivateKeyring.h"

namespace kh::test {

PrivateKeyring::PrivateKeyring(Service) {}

PrivateKeyring::~PrivateKeyring() = default;

} // namespace kh::test
