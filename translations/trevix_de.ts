<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Visit Trevix Software Website</source>
        <translation>Website von Trevix Software besuchen</translation>
    </message>
    <message>
        <source>Contact Support Department</source>
        <translation>Kundendienst kontaktieren</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Copyright (C) Trevix Software. All rights reserved.</source>
        <translation>Copyright (C) Trevix Software. Alle Rechte vorbehalten.</translation>
    </message>
</context>
<context>
    <name>ChoiceList</name>
    <message>
        <source>Auto</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>Original</source>
        <translation>Original</translation>
    </message>
    <message>
        <source>Original Video Size</source>
        <translation>Originalgröße</translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation>Stereo</translation>
    </message>
    <message>
        <source>Mono</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>Highest</source>
        <translation>Höchste</translation>
    </message>
    <message>
        <source>Higher</source>
        <translation>Höher</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Lower</source>
        <translation>Niedriger</translation>
    </message>
    <message>
        <source>Lowest</source>
        <translation>Niedrigste</translation>
    </message>
</context>
<context>
    <name>CutDialog</name>
    <message>
        <source>Set Start and End</source>
        <translation>Anfang und Ende festlegen</translation>
    </message>
    <message>
        <source>the clip&apos;s start</source>
        <translation>Anfang des Clips</translation>
    </message>
    <message>
        <source>the clip&apos;s end</source>
        <translation>Ende des Clips</translation>
    </message>
    <message>
        <source>Times as HH:MM:SS.mmm or in seconds (5.5).</source>
        <translation>Zeiten als HH:MM:SS.mmm oder in Sekunden (5.5).</translation>
    </message>
    <message>
        <source>Start :</source>
        <translation>Anfang :</translation>
    </message>
    <message>
        <source>End :</source>
        <translation>Ende :</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a time: give seconds (&quot;5.5&quot;) or HH:MM:SS.mmm.</source>
        <translation>&quot;%1&quot; ist keine Zeit: Sekunden (&quot;5.5&quot;) oder HH:MM:SS.mmm angeben.</translation>
    </message>
</context>
<context>
    <name>FitIntoBox</name>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
</context>
<context>
    <name>LogDialog</name>
    <message>
        <source>Engine log</source>
        <translation>Protokoll des Konverters</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>Copy the reason and the log to the clipboard</source>
        <translation>Den Grund und das Protokoll in die Zwischenablage kopieren</translation>
    </message>
    <message>
        <source>Log - %1</source>
        <translation>Protokoll - %1</translation>
    </message>
    <message>
        <source>(The engine wrote no messages.)</source>
        <translation>(Der Konverter hat keine Meldungen geschrieben.)</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Some files are missing. Please re-install this software</source>
        <translation>Einige Dateien fehlen. Bitte installieren Sie dieses Programm neu</translation>
    </message>
    <message>
        <source>All Supported Files|*.mov;*.qt;*.m4v;*.mp4;*.m4a|QuickTime Files (*.mov, *.qt, *.m4v)|*.mov; *.qt; *.m4v|MPEG-4 Audio Files (*.m4a, *.mp4)|*.m4a; *.mp4|</source>
        <translation>Alle unterstützten Dateien|*.mov;*.qt;*.m4v;*.mp4;*.m4a|QuickTime-Dateien (*.mov, *.qt, *.m4v)|*.mov; *.qt; *.m4v|MPEG-4-Audiodateien (*.m4a, *.mp4)|*.m4a; *.mp4|</translation>
    </message>
    <message>
        <source>Choose the required output folder below :</source>
        <translation>Wählen Sie unten den gewünschten Ausgabeordner :</translation>
    </message>
    <message>
        <source>The settings could not be read from &quot;%1&quot;. The program goes on with its default settings.</source>
        <translation>Die Einstellungen konnten nicht aus „%1“ gelesen werden. Das Programm arbeitet mit seinen Standardeinstellungen weiter.</translation>
    </message>
    <message>
        <source>No program on this desktop could open &quot;%1&quot;.</source>
        <translation>Kein Programm auf diesem Desktop konnte „%1“ öffnen.</translation>
    </message>
    <message>
        <source>The settings could not be saved to &quot;%1&quot;. Changes to them will not be kept.</source>
        <translation>Die Einstellungen konnten nicht in „%1“ gespeichert werden. Änderungen daran bleiben nicht erhalten.</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Add Files</source>
        <translation>&amp;Dateien hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Convert</source>
        <translation>&amp;Konvertieren</translation>
    </message>
    <message>
        <source>Open Output &amp;Folder</source>
        <translation>Ausgabe&amp;ordner öffnen</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>&amp;Optionen</translation>
    </message>
    <message>
        <source>&amp;Set Options</source>
        <translation>&amp;Optionen festlegen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Open &amp;Help File</source>
        <translation>&amp;Hilfedatei öffnen</translation>
    </message>
    <message>
        <source>&amp;Visit Trevix Software Website</source>
        <translation>&amp;Website von Trevix Software besuchen</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;Über</translation>
    </message>
    <message>
        <source>&amp;Check All Items</source>
        <translation>Alle Einträge &amp;ankreuzen</translation>
    </message>
    <message>
        <source>&amp;Uncheck All Items</source>
        <translation>Alle Kreuze &amp;entfernen</translation>
    </message>
    <message>
        <source>&amp;Remove Selected Item</source>
        <translation>Ausgewählten Eintrag entfe&amp;rnen</translation>
    </message>
    <message>
        <source>C&amp;lear All Items</source>
        <translation>Liste &amp;leeren</translation>
    </message>
    <message>
        <source>&amp;Play Selected File</source>
        <translation>Ausgewählte Datei a&amp;bspielen</translation>
    </message>
    <message>
        <source>Show L&amp;og</source>
        <translation>Pro&amp;tokoll anzeigen</translation>
    </message>
    <message>
        <source>&amp;Mute</source>
        <translation>&amp;Stumm</translation>
    </message>
    <message>
        <source>&amp;Half Volume</source>
        <translation>&amp;Halbe Lautstärke</translation>
    </message>
    <message>
        <source>&amp;Full Volume</source>
        <translation>&amp;Volle Lautstärke</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Add File</source>
        <translation>Datei hinzufügen</translation>
    </message>
    <message>
        <source>Add files to the list (Ctrl+O)</source>
        <translation>Dateien zur Liste hinzufügen (Strg+O)</translation>
    </message>
    <message>
        <source>Remove File</source>
        <translation>Datei entfernen</translation>
    </message>
    <message>
        <source>Remove the selected file (Delete)</source>
        <translation>Die ausgewählte Datei entfernen (Entf)</translation>
    </message>
    <message>
        <source>Clear All </source>
        <translation>Alle entfernen </translation>
    </message>
    <message>
        <source>Remove every file from the list</source>
        <translation>Alle Dateien aus der Liste entfernen</translation>
    </message>
    <message>
        <source>Stop all conversions (Esc)</source>
        <translation>Alle Konvertierungen anhalten (Esc)</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Starten</translation>
    </message>
    <message>
        <source>Convert the checked files (Ctrl+Return)</source>
        <translation>Die angekreuzten Dateien konvertieren (Strg+Eingabe)</translation>
    </message>
    <message>
        <source>Output Folder :</source>
        <translation>Ausgabeordner :</translation>
    </message>
    <message>
        <source>Output folder</source>
        <translation>Ausgabeordner</translation>
    </message>
    <message>
        <source>Choose Output Folder</source>
        <translation>Ausgabeordner wählen</translation>
    </message>
    <message>
        <source>Open Output Folder</source>
        <translation>Ausgabeordner öffnen</translation>
    </message>
    <message>
        <source>Set Output Format :</source>
        <translation>Ausgabeformat :</translation>
    </message>
    <message>
        <source>Files to convert</source>
        <translation>Zu konvertierende Dateien</translation>
    </message>
    <message>
        <source> Video Settings </source>
        <translation> Videoeinstellungen </translation>
    </message>
    <message>
        <source>Video Quality : </source>
        <translation>Videoqualität : </translation>
    </message>
    <message>
        <source>Video Size : </source>
        <translation>Videogröße : </translation>
    </message>
    <message>
        <source>Video Framerate : </source>
        <translation>Bildrate : </translation>
    </message>
    <message>
        <source> Audio Settings </source>
        <translation> Audioeinstellungen </translation>
    </message>
    <message>
        <source>Audio Quality :</source>
        <translation>Audioqualität :</translation>
    </message>
    <message>
        <source>Audio Channels :</source>
        <translation>Audiokanäle :</translation>
    </message>
    <message>
        <source>Volume : </source>
        <translation>Lautstärke : </translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>Conversion progress</source>
        <translation>Fortschritt der Konvertierung</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Snapshot</source>
        <translation>Standbild</translation>
    </message>
    <message>
        <source>Preview position</source>
        <translation>Position der Vorschau</translation>
    </message>
    <message>
        <source>All Conversions Completed</source>
        <translation>Alle Konvertierungen abgeschlossen</translation>
    </message>
    <message>
        <source>Confirmation</source>
        <translation>Bestätigung</translation>
    </message>
    <message>
        <source>Stop all conversions?</source>
        <translation>Alle Konvertierungen anhalten?</translation>
    </message>
    <message>
        <source>Elapsed %1   Speed %2   Left %3</source>
        <translation>Vergangen %1   Tempo %2   Rest %3</translation>
    </message>
    <message>
        <source>Adding %1 of %2</source>
        <translation>%1 von %2 wird hinzugefügt</translation>
    </message>
    <message>
        <source>Adding stopped: %1 of %2 added</source>
        <translation>Hinzufügen abgebrochen: %1 von %2 hinzugefügt</translation>
    </message>
    <message>
        <source>The converted file &quot;%1&quot; is no longer there.</source>
        <translation>Die konvertierte Datei „%1“ ist nicht mehr vorhanden.</translation>
    </message>
    <message>
        <source>90° &amp;Right</source>
        <translation>90° nach &amp;rechts</translation>
    </message>
    <message>
        <source>90° &amp;Left</source>
        <translation>90° nach &amp;links</translation>
    </message>
    <message>
        <source>1&amp;80°</source>
        <translation>1&amp;80°</translation>
    </message>
    <message>
        <source>&amp;No Turn</source>
        <translation>&amp;Nicht drehen</translation>
    </message>
    <message>
        <source>Set &amp;Start and End…</source>
        <translation>Anfang und Ende &amp;festlegen…</translation>
    </message>
    <message>
        <source>Start &amp;Here</source>
        <translation>Anfan&amp;g hier</translation>
    </message>
    <message>
        <source>&amp;End Here</source>
        <translation>En&amp;de hier</translation>
    </message>
    <message>
        <source>Ro&amp;tate</source>
        <translation>Dre&amp;hen</translation>
    </message>
    <message>
        <source>Fit into :</source>
        <translation>Höchstgröße :</translation>
    </message>
    <message>
        <source>Make each output at most this size (a size in MB may be typed)</source>
        <translation>Jede Ausgabe höchstens so groß machen (eine Größe in MB kann eingegeben werden)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot be played: %2</source>
        <translation>&quot;%1&quot; kann nicht abgespielt werden: %2</translation>
    </message>
    <message>
        <source>Converting %1 at once, %2 of %3 done</source>
        <translation>%1 gleichzeitig in Konvertierung, %2 von %3 fertig</translation>
    </message>
    <message>
        <source>Elapsed %1   Left %2</source>
        <translation>Vergangen %1   Rest %2</translation>
    </message>
</context>
<context>
    <name>MainWindow::MainWindow</name>
    <message>
        <source>Conversions stopped</source>
        <translation>Konvertierungen angehalten</translation>
    </message>
</context>
<context>
    <name>OptionsDialog</name>
    <message>
        <source>None</source>
        <translation>Keine</translation>
    </message>
    <message>
        <source>LetterBox</source>
        <translation>Letterbox</translation>
    </message>
    <message>
        <source>Original</source>
        <translation>Original</translation>
    </message>
    <message>
        <source>4:3 (Standard</source>
        <translation>4:3 (Standard</translation>
    </message>
    <message>
        <source>16:9 (Wide Screen)</source>
        <translation>16:9 (Breitbild)</translation>
    </message>
    <message>
        <source>Additional Options</source>
        <translation>Weitere Optionen</translation>
    </message>
    <message>
        <source> Additional Options </source>
        <translation> Weitere Optionen </translation>
    </message>
    <message>
        <source>Overwrite Existing File With The Same Name</source>
        <translation>Vorhandene Datei mit gleichem Namen überschreiben</translation>
    </message>
    <message>
        <source>Keep the recording date, place and camera</source>
        <translation>Aufnahmedatum, -ort und Kamera beibehalten</translation>
    </message>
    <message>
        <source>Drop Down Items in Output Format List</source>
        <translation>Einträge in der Liste der Ausgabeformate</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source> General Video Settings </source>
        <translation> Allgemeine Videoeinstellungen </translation>
    </message>
    <message>
        <source>Video Zoom : </source>
        <translation>Videozoom : </translation>
    </message>
    <message>
        <source>Video Aspect Ratio : </source>
        <translation>Seitenverhältnis : </translation>
    </message>
    <message>
        <source>Simultaneous conversions</source>
        <translation>Gleichzeitige Konvertierungen</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Automatisch</translation>
    </message>
</context>
<context>
    <name>PipelineText</name>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Fail</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>Abbruch</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Ungültig</translation>
    </message>
    <message>
        <source>Loading</source>
        <translation>Lädt</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>Please Add Files To Convert!</source>
        <translation>Bitte fügen Sie zu konvertierende Dateien hinzu!</translation>
    </message>
    <message>
        <source>Please select an output folder!</source>
        <translation>Bitte wählen Sie einen Ausgabeordner!</translation>
    </message>
    <message>
        <source>The conversion failed.</source>
        <translation>Die Konvertierung ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Stopped before the end.</source>
        <translation>Vor dem Ende angehalten.</translation>
    </message>
    <message>
        <source>Converting %1 of %2</source>
        <translation>Konvertierung %1 von %2</translation>
    </message>
    <message>
        <source>File Size : %1 KBytes</source>
        <translation>Dateigröße : %1 KByte</translation>
    </message>
    <message>
        <source>%1 Done, %2 Fail</source>
        <translation>%1 fertig, %2 fehlgeschlagen</translation>
    </message>
    <message>
        <source>, %1 Abort</source>
        <translation>, %1 abgebrochen</translation>
    </message>
    <message>
        <source>, %1 not converted</source>
        <translation>, %1 nicht konvertiert</translation>
    </message>
    <message>
        <source>Converted to %1</source>
        <translation>Konvertiert nach %1</translation>
    </message>
    <message>
        <source>Stopped before the end; the part converted is kept as %1</source>
        <translation>Vor dem Ende angehalten; der konvertierte Teil bleibt als %1 erhalten</translation>
    </message>
    <message>
        <source>The file could not be read.</source>
        <translation>Die Datei konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The file could not be read: %1</source>
        <translation>Die Datei konnte nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>Recorded %1</source>
        <translation>Aufgenommen am %1</translation>
    </message>
    <message>
        <source>%1: not a video or audio file</source>
        <translation>%1: keine Video- oder Audiodatei</translation>
    </message>
    <message>
        <source>%1: has no picture and no sound</source>
        <translation>%1: hat weder Bild noch Ton</translation>
    </message>
    <message>
        <source>The output folder &quot;%1&quot;
<byte value="xd"/>does not exist or has been deleted!
<byte value="xd"/>Please choose a new output folder.</source>
        <translation>Der Ausgabeordner „%1“
<byte value="xd"/>existiert nicht oder wurde gelöscht!
<byte value="xd"/>Bitte wählen Sie einen neuen Ausgabeordner.</translation>
    </message>
    <message>
        <source>The cut starts at %1, at or after its end at %2.</source>
        <translation>Der Schnitt beginnt bei %1, bei oder nach seinem Ende bei %2.</translation>
    </message>
    <message>
        <source>The cut starts at %1, past the end of the clip at %2.</source>
        <translation>Der Schnitt beginnt bei %1, nach dem Ende des Clips bei %2.</translation>
    </message>
    <message>
        <source>the output would replace the source file</source>
        <translation>die Ausgabe würde die Quelldatei ersetzen</translation>
    </message>
    <message>
        <source>the conversion could not be set up</source>
        <translation>die Konvertierung konnte nicht vorbereitet werden</translation>
    </message>
    <message>
        <source>the conversion failed</source>
        <translation>die Konvertierung ist fehlgeschlagen</translation>
    </message>
    <message>
        <source>the output would replace another listed source: %1</source>
        <translation>die Ausgabe würde eine andere Quelle der Liste ersetzen: %1</translation>
    </message>
    <message>
        <source>cannot fit into %1: the length of the clip is unknown</source>
        <translation>passt nicht in %1: die Länge des Clips ist unbekannt</translation>
    </message>
</context>
<context>
    <name>PreviewPlayer</name>
    <message>
        <source>the file cannot be read</source>
        <translation>die Datei kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>the file does not exist</source>
        <translation>die Datei existiert nicht</translation>
    </message>
    <message>
        <source>the file cannot be played</source>
        <translation>die Datei kann nicht abgespielt werden</translation>
    </message>
</context>
<context>
    <name>Prompts</name>
    <message>
        <source>Information</source>
        <translation>Hinweis</translation>
    </message>
</context>
<context>
    <name>SourceListModel</name>
    <message>
        <source>Video File Name</source>
        <translation>Videodatei</translation>
    </message>
    <message>
        <source>Video Size</source>
        <translation>Videogröße</translation>
    </message>
    <message>
        <source>FrameRate</source>
        <translation>Bildrate</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>Ausgabe</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Frames</source>
        <translation>Bilder</translation>
    </message>
</context>
</TS>
