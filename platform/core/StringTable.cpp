#include "StringTable.h"

#include <algorithm>
#include <iterator>

namespace strings {
namespace {

struct Entry {
    int id;
    const char* text;
};

// Sorted by id. Each subsystem's texts sit in their id range.
constexpr Entry kTable[] = {
    {128, TS_NOOP("StringTable", "Tesselo")},
    {10003, TS_NOOP("StringTable", "Handbuch nicht gefunden")},
    {10004, TS_NOOP("StringTable", "Handbuch.doc")},
    {10005,
     TS_NOOP("StringTable", "Seite Nr. %d ( '%s'-'%s')\n     schneidet Seite Nr. %d ('%s'-'%s')")},
    {10006,
     TS_NOOP("StringTable", "Zur Berechung einer Fläche sind mindestens drei Punkte notwendig")},
    {10007, TS_NOOP("StringTable", "Fehler: Seiten überschneiden sich")},
    {10008, TS_NOOP("StringTable", "2D:  Rechts, Hoch (Fassade)")},
    {10009, TS_NOOP("StringTable", "2D:  Ost, Nord (Grundriss)")},
    {10010, TS_NOOP("StringTable", "3D:  Ost, Nord, Höhe")},
    {10011, TS_NOOP("StringTable", "2D:  Nord, Ost (Grundriss)")},
    {10012, TS_NOOP("StringTable", "3D:  Nord, Ost, Höhe")},
    {10014, TS_NOOP("StringTable", "Punkte;vX2 [cm];vZ2 [cm]")},
    {10015,
     TS_NOOP("StringTable", "Zu wenig Punkte für Entzerrung\n\nMindestens 4 Punkte notwendig")},
    {10016, TS_NOOP("StringTable", "ZIEL  -  unbenannt")},
    {10018, TS_NOOP("StringTable", "Punkte;X2e;Z2e;Normalabstand;Verw.")},
    {10019, TS_NOOP("StringTable",
                    "Zu wenig Punkte für Berechnung der Ebene\n\nMindestens 3 Punkte notwendig")},
    {10020, TS_NOOP("StringTable",
                    "Punkte sind nicht flächig angerordnet,\nsondern liegen auf einer Gerade "
                    "oder\nsind ident.\n\nEbene kann nicht berechnet werden")},
    {10021, TS_NOOP("StringTable", "Passpunkt auswählen;Eckpunkt für Rechteck auswählen")},
    {10022, TS_NOOP("StringTable", "Keine Punkte gemessen")},
    {10023, TS_NOOP("StringTable", "Header-Zeile")},
    {10024, TS_NOOP("StringTable", "Datei gespeichert\n\n%s")},
    {10025, TS_NOOP("StringTable", "Datei %s konnte nicht geschrieben werden\n\n%s")},
    {10027, TS_NOOP("StringTable", "Punkt")},
    {10028, TS_NOOP("StringTable", "Ost [m];Nord [m];H [m]")},
    {10029, TS_NOOP("StringTable", "Punkt       Ost         Nord      Höhe")},
    {10030, TS_NOOP("StringTable", "Nord [m];Ost [m];H [m]")},
    {10031, TS_NOOP("StringTable", "Punkt       Nord        Ost       Höhe")},
    {10032, TS_NOOP("StringTable", "Punkt      Rechts       Hoch")},
    {10033, TS_NOOP("StringTable", "Rechts [m];Hoch [m];")},
    {10034, TS_NOOP("StringTable", "Punkt       Ost         Nord")},
    {10035, TS_NOOP("StringTable", "Ost [m];Nord [m]")},
    {10036, TS_NOOP("StringTable", "Punkt       Nord        Ost")},
    {10037, TS_NOOP("StringTable", "Nord [m];Ost [m];")},
    {10038, TS_NOOP("StringTable", "    Seitenlänge\r\n")},
    {10039, TS_NOOP("StringTable", "Fläche = ")},
    {10040, TS_NOOP("StringTable", "Fläche: ")},
    {10041, TS_NOOP("StringTable", "Umfang = ")},
    {10042, TS_NOOP("StringTable", "Schrägseite = %s\r\nHorizontal  = %s\r\nVertikal    = %s\r\n")},
    {10044, TS_NOOP("StringTable",
                    "gültiger Rotanteil: 0 bis 255;gültiger Grünanteil: 0 bis 255;"
                    "gültiger Blauanteil: 0 bis 255")},
    {10045, TS_NOOP("StringTable", "Verzeichnis mit Kamera-Eichdaten")},
    {10046, TS_NOOP("StringTable", "Position;X1;Y1")},
    {10047, TS_NOOP("StringTable", "Rechteck ist unvollständig\n\nBitte fehlende Punkte messen")},
    {10048, TS_NOOP("StringTable", "Breite ist ungültig")},
    {10049, TS_NOOP("StringTable", "Breite muss größer 0 sein")},
    {10050, TS_NOOP("StringTable", "Höhe ist ungültig")},
    {10051, TS_NOOP("StringTable", "Höhe muss größer 0 sein")},
    {10052, TS_NOOP("StringTable", "LU;LO;RO;RU")},
    {10058, TS_NOOP("StringTable",
                    "Entzerrung: Ausgleich ist singulär\n\nLiegen alle Punkte auf einer Linie?\n"
                    "Stimmen die Koordinaten der Referenzpunkte?")},
    {10059, TS_NOOP("StringTable", "Entzerrung abbrechen ?")},
    {10060, TS_NOOP("StringTable", "Teilweise entzerrtes Bild verwerfen?")},
    {10061, TS_NOOP("StringTable", "Punkt existiert schon\n\nPunkt ersetzen ?")},
    {10062, TS_NOOP("StringTable",
                    "Es sind noch keine Passpunkte gemessen.\n\nBitte zuerst Passpunkte messen")},
    {10063,
     TS_NOOP("StringTable",
             "Es ist noch kein Punkt des Rechteck gemessen.\n\nBitte zuerst Rechteck messen")},
    {10065, TS_NOOP("StringTable", "QUELLE  -  %s")},
    {10066, TS_NOOP("StringTable", "Filename ungültig")},
    {10067, TS_NOOP("StringTable", "ZIEL  -  %s")},
    {10068, TS_NOOP("StringTable",
                    "Es ist kein Bildbereich ausgewählt\n\nBitte zuerst Bildbereich auswählen")},
    {10069, TS_NOOP("StringTable",
                    "Rechteck ist schon definiert\n\nSoll der nächstgelegene Punkt ersetzt "
                    "werden?")},
    {10070, TS_NOOP("StringTable", "\n\nGeoreferenzierung:\n   %s")},
    {10071, TS_NOOP("StringTable", "\n\nSchreiben Georeferenzierung fehlgeschlagen:\n    %s")},
    {10072, TS_NOOP("StringTable", "Info:            Rechtswert           Hochwert\n")},
    {10073,
     TS_NOOP("StringTable",
             "Fensterbereich hat Ausdehnung '0'\n\nBitte Auswahl wiederholen:\n   1) Linke "
             "Maustaste drücken\n   2) Fenster ziehen\n   3) Maustaste erst jetzt loslassen")},
    {10074, TS_NOOP("StringTable",
                    "Das Bitmap konnte nicht in dieser\nGröße (%i x %i) erstellt werden")},
    {10079, TS_NOOP("StringTable", "(Anderes File ...)")},
    {10080, TS_NOOP("StringTable", "File auswählen ...")},
    {10081, TS_NOOP("StringTable", "Punkt;X1 [Pixel];Y1 [Pixel]")},
    {10082, TS_NOOP("StringTable", "Koordinaten sind ungültig")},
    {10083, TS_NOOP("StringTable", "Punkt '%s' sicher löschen")},
    {10084, TS_NOOP("StringTable", "Fehler: Datei konnte nicht geöffnet werden!\n\n'%s'")},
    {10085, TS_NOOP("StringTable", "%i von %i Punkten gefunden")},
    {10086, TS_NOOP("StringTable", "Folgende Datenzeilen im File sind unvollständig:\n%s")},
    {10087, TS_NOOP("StringTable", "Für %i Punkte wurden keine Koordinaten gefunden:\n%s")},
    {10088, TS_NOOP("StringTable", "\n\nAufgetretene Fehler:\n\n%s")},
    {10089, TS_NOOP("StringTable",
                    "Verzeichnungs-Parameter (*.verz) | *.verz|All Files (*.*)|*.*||")},
    {10090, TS_NOOP("StringTable", "verz")},
    {10091, TS_NOOP("StringTable",
                    "\r\n\r\nTIP: In den Optionen kann der Pfad für\r\ndie Auswahl-Box "
                    "eingestellt werden")},
    {10092, TS_NOOP("StringTable", "Keine Korrektur der Verzeichnung!")},
    {10093, TS_NOOP("StringTable", "Verzeichnisauswahl")},
    {10094, TS_NOOP("StringTable", "Auswählen")},
    {10095, TS_NOOP("StringTable",
                    "Verzeichnungs-Parameter ASCII (*.asc) | *.asc|All Files (*.*)|*.*||")},
    {10096, TS_NOOP("StringTable", "%s\r\n\r\nModell %i\r\nParameter %i\r\nHauptpunkt %s\r\n")},
    {10097, TS_NOOP("StringTable", "\r\nParameter:")},
    {10098, TS_NOOP("StringTable",
                    "Berechung der Verzeichnung\n\nDie Kamera-Verzeichnung kann nur über 2D "
                    "Passpunkte bestimmt werden.\n\nBitte ein 2D Koordinatensystem verwenden.")},
    {10099, TS_NOOP("StringTable", "Bitte Modell auswählen")},
    {10100, TS_NOOP("StringTable", "Name der Kamera")},
    {10101, TS_NOOP("StringTable",
                    "Verzeichnung: Ausgleich ist singulär\n\nLiegen alle Punkte auf einer Linie?\n"
                    "Stimmen die Koordinaten der Referenzpunkte?\nLiegen die Punkte auf einem "
                    "Kreis?\nLiegen die Punkte auf wenigen konzentrischen Kreisen?")},
    {10102, TS_NOOP("StringTable", "Ja")},
    {10103, TS_NOOP("StringTable", "Nein")},
    {10104, TS_NOOP("StringTable", "asc")},
    {10105, TS_NOOP("StringTable", "Manual.doc")},
    {10106, TS_NOOP("StringTable", "Bild Öffnen")},
    {10107, TS_NOOP("StringTable", "Punkte oder Rechteck messen")},
    {10108, TS_NOOP("StringTable", "Bild entzerren")},
    {10109, TS_NOOP("StringTable", "Koordinaten eingeben")},
    {10110, TS_NOOP("StringTable", "Verzeichnung korrigieren")},
    {10111, TS_NOOP("StringTable", "Ebene berechnen")},
    {10112, TS_NOOP("StringTable", "Bild entzerren")},
    {10113, TS_NOOP("StringTable", "Bild schließen")},
    {10114, TS_NOOP("StringTable", "Ausgangsbild")},
    {10116,
     TS_NOOP("StringTable", "<a href = \"app:OPEN\"><font color=\"#FFFF99\">Bild Öffnen</a>")},
    {10117, TS_NOOP("StringTable",
                    "<a href = \"app:MEAS_PT\"><font color=\"#FFFF99\">Punkte</a>"
                    "<font color=\"#FFFF00\"> oder <a href = \"app:MEAS_RC\">"
                    "<font color=\"#FFFF99\">Rechteck</a><font color=\"#FFFF00\"> messen")},
    {10118, TS_NOOP("StringTable",
                    "<a href = \"app:RECTIFY\"><font color=\"#FFFF99\">Bild entzerren</a>")},
    {10119,
     TS_NOOP("StringTable", "<a href = \"app:CLOSES\"><font color=\"#FFFF99\">Bild schließen</a>")},
    {10121, TS_NOOP("StringTable",
                    "Das Bild kann nicht in der Größe (%i x %i) angezeigt werden.\nDie Anzeige "
                    "wird auf (%i x %i) reduziert.\n\nAlle Operationen wird mit dem Bild in "
                    "Originalgröße durchgeführt.")},
    {10122, TS_NOOP("StringTable", "Fehler beim speichern von '%s'")},
    {10123, TS_NOOP("StringTable", "Bild zuschneiden")},
    {10124, TS_NOOP("StringTable", "Bild speichern")},
    {10125, TS_NOOP("StringTable", "Messen im Bild")},
    {10126, TS_NOOP("StringTable", "Bild schließen")},
    {10127, TS_NOOP("StringTable", "Zielbild")},
    {10128, TS_NOOP("StringTable", "Gültige JPG Qualität: 1-100")},
    {10129,
     TS_NOOP("StringTable", "<a href = \"app:SAVE\"><font color=\"#FFFF99\">Bild speichern</a>")},
    {10131,
     TS_NOOP("StringTable", "<a href = \"app:CLOSET\"><font color=\"#FFFF99\">Bild schließen</a>")},
    {10132,
     TS_NOOP("StringTable", "Das entzerrte Bild '%s' ist nicht gespeichert.\n\nSpeichern ?")},
    {57344, TS_NOOP("StringTable", "Veltrano")},
    {57345, TS_NOOP("StringTable", "Bereit")},
    // The framework's message when a document file cannot be read.
    {61697, TS_NOOP("StringTable", "Fehler beim Öffnen des Dokuments.")},
    // The framework's message when a document file's contents are damaged.
    {61728, TS_NOOP("StringTable", "Unerwartetes Dateiformat.")},
};

static_assert(std::is_sorted(std::begin(kTable), std::end(kTable),
                             [](const Entry& a, const Entry& b) { return a.id < b.id; }),
              "string table must be sorted by id");

Translator g_translator = nullptr;

}  // namespace

const char* German(int id) {
    auto it = std::lower_bound(std::begin(kTable), std::end(kTable), id,
                               [](const Entry& e, int key) { return e.id < key; });
    return (it != std::end(kTable) && it->id == id) ? it->text : "";
}

std::string Load(int id) {
    const char* german = German(id);
    if (g_translator && *german) return g_translator(kContext, german);
    return german;
}

void SetTranslator(Translator translator) { g_translator = translator; }

}  // namespace strings
