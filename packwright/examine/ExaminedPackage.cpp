#include "packwright/examine/ExaminedPackage.h"

#include "packwright/writer/VolumeWriter.h"

std::string ExaminedPackage::VolumePath(u32 volume) const {
    return volume == 0 ? path : VolumeFileName(path, volume);
}
