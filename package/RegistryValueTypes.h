// The type bytes after a registry value line's "=". The builder writes only these four; the
// installer reads any other byte as S.
#pragma once
#include "state/Types.h"

constexpr u8 RegistryStringType = 'S';
constexpr u8 RegistryDwordType = 'D';
constexpr u8 RegistryBinaryType = 'B';
constexpr u8 RegistryNameOnlyType = 'N';

inline bool IsWrittenRegistryType(u8 typeByte) {
    return typeByte == RegistryStringType || typeByte == RegistryDwordType || typeByte == RegistryBinaryType ||
           typeByte == RegistryNameOnlyType;
}
