<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="de">
<context>
    <name>CAboutDlg</name>
    <message>
        <source>Info über Tesselo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Foto - Entzerrung: 2D -&gt; 2D</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Word Handbuch öffnen...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CEinstellungenDlg</name>
    <message>
        <source>Einstellungen als Defaultwert speichern</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ARC/INFO World File schreiben (2D)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tesselo Referenzierung schreiben</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Einstellungen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Koordinatensystem</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nachkommastellen bei Koordinateneingabe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>JPG Qualität</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Georeferenzierung speichern</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hintergrund</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rot</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Grün</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Blau</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pfad für Kamera-Eichdaten</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CMainFrame</name>
    <message>
        <source>Bild Ö&amp;ffnen...	Strg+O</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bild Öffnen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bild &amp;Schließen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bild Schließen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Speichern</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bild Speichern &amp;unter...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bild Speichern unter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Parameter &amp;Laden ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Parameter Laden</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Parameter S&amp;peicher unter ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Parameter Speichern unter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Einstellungen ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Einstellungen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Beenden</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Beenden</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Symbolleiste</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Symbolleiste ein- oder ausblenden</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>S&amp;tatusleiste</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Statusleiste ein- oder ausblenden</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Assistent</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Assistent ein- oder ausblenden</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deutsch</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Englisch</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Über&amp;lappend</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fenster überlappend anordnen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Nebeneinander</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fenster nebeneinander anordnen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Symbole anordnen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Symbole anordnen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inf&amp;o über Tesselo...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Info über Tesselo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Passpunkte messen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rechteck definieren</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ausschnitt vergrößern</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ausschnitt verkleinern</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zoom auf 100%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bild entzerren</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bild vertikal spiegeln</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bild horizontal spiegeln</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Distanz messen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Punkte messen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Punkte/Fläche messen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Messung abschließen, Ergebnis anzeigen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bild zuschneiden: Bereich definieren</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bild zuschneiden und neues Dokument daraus erstellen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Symbolleiste</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Datei</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Ansicht</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sprache</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Fenster</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>Tesselo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Handbuch nicht gefunden</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Handbuch.doc</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2D:  Rechts, Hoch (Fassade)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2D:  Ost, Nord (Grundriss)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>3D:  Ost, Nord, Höhe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2D:  Nord, Ost (Grundriss)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>3D:  Nord, Ost, Höhe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>gültiger Rotanteil: 0 bis 255;gültiger Grünanteil: 0 bis 255;gültiger Blauanteil: 0 bis 255</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Verzeichnis mit Kamera-Eichdaten</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Verzeichnisauswahl</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Auswählen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Manual.doc</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gültige JPG Qualität: 1-100</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Veltrano</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bereit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fehler beim Öffnen des Dokuments.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
