#include "RegistrySettings.h"

#include <algorithm>

#include "CProfile.h"
#include "CTesseloApp.h"
#include "CTesseloDoc.h"
#include "Utilities.h"

int ReadSetting(const IntSetting& setting) {
    return CProfile::GetInt(setting.section, setting.name, setting.defaultValue);
}

void WriteSetting(const IntSetting& setting, int value) {
    CProfile::WriteInt(setting.section, setting.name, value);
}

void LoadSettings(CTesseloDoc* document) {
    CTesseloDoc* doc = document ? document : GetActiveDocument();
    if (!doc) return;
    doc->m_worldFile = ReadSetting(settings::kWorldFile);
    doc->m_geoRefFile = ReadSetting(settings::kGeoRefFile);
    doc->m_koosys = std::clamp(ReadSetting(settings::kKoosys), 0, 4);
    doc->m_blue = std::clamp(ReadSetting(settings::kBlue), 0, 255);
    doc->m_green = std::clamp(ReadSetting(settings::kGreen), 0, 255);
    doc->m_red = std::clamp(ReadSetting(settings::kRed), 0, 255);
    doc->m_is3D = doc->m_koosys < 2 ? 1 : 0;
    doc->m_calibrationFolder = CProfile::GetString(settings::kCalibrationFolder.section,
                                                   settings::kCalibrationFolder.name);
    doc->m_image.SetJpegQuality(static_cast<uint8_t>(ReadSetting(settings::kJpegQuality) & 0xFF));
    doc->m_decimals = std::clamp(ReadSetting(settings::kDecimals), kMinDecimals, kMaxDecimals);
}
