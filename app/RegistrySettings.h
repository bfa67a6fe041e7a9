#pragma once
// Every stored setting of the program, each key with its section, name and default once.
// The values live in the per-user store of CProfile (organisation "Zerbant", application
// "Veltrano").

class CTesseloDoc;

struct IntSetting {
    const char* section;
    const char* name;
    int defaultValue;
};

struct StringSetting {
    const char* section;
    const char* name;
};

namespace settings {

inline constexpr IntSetting kWorldFile{"Georef", "ArcView", 0};
inline constexpr IntSetting kGeoRefFile{"Georef", "Veltrano", 0};
inline constexpr IntSetting kKoosys{"Koosys", "Koosys", 0};
inline constexpr IntSetting kDecimals{"Koosys", "Nachkomma", 3};
inline constexpr IntSetting kKoosysRect{"Koosys", "KoosysRect", 2};
inline constexpr IntSetting kRed{"Hintergrund", "Rot", 0};
inline constexpr IntSetting kGreen{"Hintergrund", "Gruen", 0};
inline constexpr IntSetting kBlue{"Hintergrund", "Blau", 0};
inline constexpr StringSetting kCalibrationFolder{"Verzeichnung", "Pfad"};
inline constexpr IntSetting kDistortionOn{"Verzeichnung", "EinAus", 0};
inline constexpr StringSetting kCalibrationFile{"Verzeichnung", "Format"};
inline constexpr IntSetting kJpegQuality{"Save", "JpgQual", 90};
// -1 until the user has chosen: 0 German, 1 English.
inline constexpr IntSetting kLanguage{"Sprache", "Sprache", -1};

}  // namespace settings

int ReadSetting(const IntSetting& setting);
void WriteSetting(const IntSetting& setting, int value);

// Reads the document settings into the document, or into the active document when none is
// given; without a document nothing happens. Stored values outside their range are clamped
// (coordinate system 0..4, decimals 0..6, colours 0..255); the JPEG quality keeps the low
// byte of the stored value.
void LoadSettings(CTesseloDoc* document = nullptr);
