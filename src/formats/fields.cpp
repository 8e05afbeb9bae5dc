// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "formats/fields.h"

namespace stubmeta {

void PopulateReparseDataCore(CommonFields* common, const Token* tokens, std::int32_t* position) {
    const Token* t = tokens + *position;
    common->common1 = TokenLow32(t[0]);
    common->common2 = TokenUnsigned64(t[1]);
    common->common3 = TokenUnsigned64(t[2]);
    common->common4 = TokenUnsigned64(t[3]);
    common->common5 = TokenUnsigned64(t[4]);
    *position += 5;
}

}  // namespace stubmeta
