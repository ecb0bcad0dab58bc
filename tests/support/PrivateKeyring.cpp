#include "support/PrivateKeyring.h"

namespace kh::test {

PrivateKeyring& SharedKeyring()
{
    static PrivateKeyring keyring(PrivateKeyring::Service::Keyring);
    return keyring;
}

} // namespace kh::test
