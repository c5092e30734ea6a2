#include "packwright/examine/InspectedPackage.h"

#include "packwright/writer/VolumeWriter.h"

std::string InspectedPackage::VolumePath(u32 volume) const {
    return volume == 0 ? path : VolumeFileName(path, volume);
}
