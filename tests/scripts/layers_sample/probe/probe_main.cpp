#include <QString>

QString layerProbeUpwardCall(const QString& path);

int main() {
    return layerProbeUpwardCall(QStringLiteral("DM-Probe.zip")).isEmpty() ? 1 : 0;
}
