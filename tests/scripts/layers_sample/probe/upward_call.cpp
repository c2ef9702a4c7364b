// Stands for a file of the platform layer that calls up into install: its
// library, linked like the platform layer's, must not link.
#include "install/placement.h"

QString layerProbeUpwardCall(const QString& path) {
    return install::ArchiveStem(path);
}
