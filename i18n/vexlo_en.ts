<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="de_DE">
<context>
    <name>CliText</name>
    <message>
        <source>Warte auf %1 laufende Installation(en); ein Schreibvorgang wird nie unterbrochen.</source>
        <translation>Waiting for %1 running install(s); a write is never cut short.</translation>
    </message>
    <message>
        <source>Beenden: keine neue Installation, %1 laufende werden abgeschlossen.</source>
        <translation>Stopping: no new install starts, %1 running will finish.</translation>
    </message>
    <message>
        <source>nicht begonnen: das Programm wurde beendet</source>
        <translation>not started: the program was stopped</translation>
    </message>
    <message>
        <source>Kein Port gefunden.</source>
        <translation>No port found.</translation>
    </message>
    <message>
        <source>Installiert die neueste Firmware auf alle angeschlossenen Boards gleichzeitig und sendet ihnen die Variante.</source>
        <translation>Installs the newest firmware on every connected board at once and sends each its variant.</translation>
    </message>
    <message>
        <source>Variante der Maschine: v4 (sendet STD), pro (sendet PRO) oder u (sendet nichts).</source>
        <translation>Machine variant: v4 (sends STD), pro (sends PRO) or u (sends nothing).</translation>
    </message>
    <message>
        <source>Nur dieser Port (mehrfach möglich); sonst jeder gefundene Port.</source>
        <translation>Only this port (may be repeated); otherwise every port found.</translation>
    </message>
    <message>
        <source>Höchstens N Ports gleichzeitig (Vorgabe: alle).</source>
        <translation>At most N ports at once (default: all).</translation>
    </message>
    <message>
        <source>Weiter warten und jedes später angeschlossene Board installieren, bis Strg+C.</source>
        <translation>Keep waiting and install every board plugged in later, until Ctrl+C.</translation>
    </message>
    <message>
        <source>Ereignisse als JSON Lines auf der Standardausgabe.</source>
        <translation>Events as JSON Lines on standard output.</translation>
    </message>
    <message>
        <source>Ports und erkannte Boards auflisten und beenden.</source>
        <translation>List the ports and their detected boards, then exit.</translation>
    </message>
    <message>
        <source>Unerwartetes Argument: %1</source>
        <translation>Unexpected argument: %1</translation>
    </message>
    <message>
        <source>--port braucht einen Pfad</source>
        <translation>--port needs a path</translation>
    </message>
    <message>
        <source>--jobs braucht genau eine positive ganze Zahl</source>
        <translation>--jobs needs exactly one positive integer</translation>
    </message>
    <message>
        <source>--list verträgt sich nicht mit --watch oder --variant</source>
        <translation>--list does not go with --watch or --variant</translation>
    </message>
    <message>
        <source>--variant fehlt (v4, pro oder u)</source>
        <translation>--variant is missing (v4, pro or u)</translation>
    </message>
    <message>
        <source>Unbekannte Variante: %1 (v4, pro oder u)</source>
        <translation>Unknown variant: %1 (v4, pro or u)</translation>
    </message>
    <message>
        <source>--variant mehrfach mit verschiedenen Werten</source>
        <translation>--variant given more than once with different values</translation>
    </message>
    <message>
        <source>Schreiben: %1 %</source>
        <translation>Writing: %1 %</translation>
    </message>
    <message>
        <source> (gleich fertig)</source>
        <translation> (almost done)</translation>
    </message>
    <message>
        <source> (noch etwa %1 s)</source>
        <translation> (about %1 s left)</translation>
    </message>
    <message>
        <source>Board wird erkannt …</source>
        <translation>Detecting the board …</translation>
    </message>
    <message>
        <source>Firmware wird heruntergeladen …</source>
        <translation>Downloading the firmware …</translation>
    </message>
    <message>
        <source>Firmware wird geschrieben …</source>
        <translation>Writing the firmware …</translation>
    </message>
    <message>
        <source>Kein Board erkannt: %1</source>
        <translation>No board detected: %1</translation>
    </message>
    <message>
        <source>Board erkannt: %1</source>
        <translation>Board detected: %1</translation>
    </message>
    <message>
        <source>Firmware bereit: %1 (%2 Bytes, SHA-256 %3)</source>
        <translation>Firmware ready: %1 (%2 bytes, SHA-256 %3)</translation>
    </message>
    <message>
        <source>Fehlgeschlagen bei „%1“: %2 (%3 s)</source>
        <translation>Failed at “%1”: %2 (%3 s)</translation>
    </message>
    <message>
        <source>Installiert, Variante %1 gesendet (%2 s)</source>
        <translation>Installed, variant %1 sent (%2 s)</translation>
    </message>
    <message>
        <source>Installiert, ohne Variante (%1 s)</source>
        <translation>Installed, no variant (%1 s)</translation>
    </message>
    <message>
        <source>Ergebnis: %1 installiert, %2 fehlgeschlagen</source>
        <translation>Result: %1 installed, %2 failed</translation>
    </message>
    <message>
        <source>Port nicht vorhanden</source>
        <translation>port not present</translation>
    </message>
    <message>
        <source>Erkennung</source>
        <translation>Detection</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>Schreiben</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Variante</source>
        <translation>Variant</translation>
    </message>
    <message>
        <source>Datei nicht lesbar: %1</source>
        <translation>file not readable: %1</translation>
    </message>
    <message>
        <source>Warte auf Boards; Strg+C beendet nach den laufenden Installationen.</source>
        <translation>Waiting for boards; Ctrl+C ends after the running installs.</translation>
    </message>
</context>
<context>
    <name>StepRows</name>
    <message>
        <source>Fortschritt: </source>
        <translation>Progress: </translation>
    </message>
    <message>
        <source>Fortschritt:</source>
        <translation>Progress:</translation>
    </message>
    <message>
        <source>Fortschritt: fertig!</source>
        <translation>Progress: done!</translation>
    </message>
    <message>
        <source>step_device_found</source>
        <translation>Device found</translation>
    </message>
    <message>
        <source>Port: </source>
        <translation>Port: </translation>
    </message>
    <message>
        <source>step_firmware_downloaded</source>
        <translation>Firmware downloaded</translation>
    </message>
    <message>
        <source>Datei: </source>
        <translation>File: </translation>
    </message>
    <message>
        <source>step_installation_running</source>
        <translation>Installation running</translation>
    </message>
    <message>
        <source>step_successful</source>
        <translation>Successful</translation>
    </message>
    <message>
        <source>nicht begonnen</source>
        <translation>not started</translation>
    </message>
    <message>
        <source>läuft</source>
        <translation>running</translation>
    </message>
    <message>
        <source>erfolgreich</source>
        <translation>succeeded</translation>
    </message>
    <message>
        <source>fehlgeschlagen</source>
        <translation>failed</translation>
    </message>
    <message>
        <source>espflash nicht gefunden</source>
        <translation>espflash not found</translation>
    </message>
    <message>
        <source>espflash startet nicht</source>
        <translation>espflash does not start</translation>
    </message>
    <message>
        <source>keine Antwort in %1 s</source>
        <translation>no answer within %1 s</translation>
    </message>
    <message>
        <source>espflash-Fehler (Signal %1)</source>
        <translation>espflash error (signal %1)</translation>
    </message>
    <message>
        <source>espflash-Fehler (Status %1)</source>
        <translation>espflash error (status %1)</translation>
    </message>
    <message>
        <source>Antwort nicht erkannt</source>
        <translation>answer not recognised</translation>
    </message>
    <message>
        <source>Server antwortet %1</source>
        <translation>server answers %1</translation>
    </message>
    <message>
        <source>Übertragung abgebrochen</source>
        <translation>transfer cut short</translation>
    </message>
    <message>
        <source>keine Firmware-Datei</source>
        <translation>not a firmware file</translation>
    </message>
    <message>
        <source>Datei nicht speicherbar</source>
        <translation>file cannot be stored</translation>
    </message>
    <message>
        <source>keine Antwort</source>
        <translation>no answer</translation>
    </message>
    <message>
        <source>nicht gestartet</source>
        <translation>not started</translation>
    </message>
    <message>
        <source>Firmware-Datei fehlt</source>
        <translation>firmware file missing</translation>
    </message>
    <message>
        <source>Port nicht vorhanden</source>
        <translation>port not present</translation>
    </message>
    <message>
        <source>Port beim Schreiben getrennt</source>
        <translation>port disconnected while writing</translation>
    </message>
    <message>
        <source>getrennt</source>
        <translation>disconnected</translation>
    </message>
    <message>
        <source>Variante: </source>
        <translation>Variant: </translation>
    </message>
    <message>
        <source>Variante nicht gesendet: </source>
        <translation>Variant not sent: </translation>
    </message>
    <message>
        <source>ein anderes Vexlo Utility verwendet diesen Port</source>
        <translation>another Vexlo Utility is using this port</translation>
    </message>
</context>
<context>
    <name>Updater</name>
    <message>
        <source>Der Update-Feed ist größer als 1 MiB.</source>
        <translation>The update feed is larger than 1 MiB.</translation>
    </message>
    <message>
        <source>Der Update-Server antwortete mit Status %1.</source>
        <translation>The update server answered with status %1.</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Check for Updates…</translation>
    </message>
    <message>
        <source>Vexlo Utility %1 ist aktuell.</source>
        <translation>Vexlo Utility %1 is up to date.</translation>
    </message>
    <message>
        <source>Die Suche nach Updates ist fehlgeschlagen.</source>
        <translation>The check for updates failed.</translation>
    </message>
    <message>
        <source>Vexlo Utility %1 ist verfügbar (installiert: %2).</source>
        <translation>Vexlo Utility %1 is available (installed: %2).</translation>
    </message>
    <message>
        <source>Herunterladen…</source>
        <translation>Download…</translation>
    </message>
    <message>
        <source>Die Antwort ist kein Update-Feed</source>
        <translation>The answer is not an update feed</translation>
    </message>
    <message>
        <source>Der Update-Feed ist nicht lesbar (Zeile %1): %2</source>
        <translation>The update feed cannot be read (line %1): %2</translation>
    </message>
    <message>
        <source>Der Update-Feed nennt für Version %1 keine Adresse.</source>
        <translation>The update feed gives no address for version %1.</translation>
    </message>
    <message>
        <source>Die Adresse von Version %1 ist kein https-Link: %2</source>
        <translation>The address of version %1 is not an https link: %2</translation>
    </message>
    <message>
        <source>Der Update-Server hat nicht innerhalb von %1 geantwortet.</source>
        <translation>The update server did not answer within %1.</translation>
    </message>
    <message>
        <source>Der Update-Server ist nicht erreichbar: %1</source>
        <translation>The update server cannot be reached: %1</translation>
    </message>
</context>
<context>
    <name>vexlo::FlashStepView</name>
    <message>
        <source>Erneut prüfen</source>
        <translation>Check again</translation>
    </message>
</context>
<context>
    <name>vexlo::LogWindow</name>
    <message>
        <source>&amp;Kopieren</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>&amp;Ordner öffnen</source>
        <translation>&amp;Open Folder</translation>
    </message>
    <message>
        <source>Protokoll – Vexlo Utility</source>
        <translation>Log – Vexlo Utility</translation>
    </message>
    <message>
        <source>Der Ordner %1 lässt sich nicht öffnen.</source>
        <translation>The folder %1 cannot be opened.</translation>
    </message>
</context>
<context>
    <name>vexlo::MainFlasherState</name>
    <message>
        <source>Die Installation läuft.</source>
        <translation>The installation is running.</translation>
    </message>
    <message>
        <source>Das Programm wird beendet.</source>
        <translation>The program is quitting.</translation>
    </message>
    <message>
        <source>Kein Gerät angeschlossen.</source>
        <translation>No device connected.</translation>
    </message>
    <message>
        <source>Das Gerät wird noch geprüft.</source>
        <translation>The device is still being checked.</translation>
    </message>
    <message>
        <source>Das Gerät wurde nicht erkannt.</source>
        <translation>The device was not recognised.</translation>
    </message>
</context>
<context>
    <name>vexlo::MainFlasherView</name>
    <message>
        <source>Port:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Variant</source>
        <translation>Variant</translation>
    </message>
    <message>
        <source>Coilex V4</source>
        <translation>Coilex V4</translation>
    </message>
    <message>
        <source>Coilex Pro</source>
        <translation>Coilex Pro</translation>
    </message>
    <message>
        <source>U</source>
        <translation>U</translation>
    </message>
    <message>
        <source>Neuste Firmware Version: </source>
        <translation>Newest firmware version: </translation>
    </message>
    <message>
        <source>Installieren</source>
        <translation>Install</translation>
    </message>
    <message>
        <source>Herunterladen und installieren</source>
        <translation>Download and install</translation>
    </message>
    <message>
        <source>Erneut prüfen</source>
        <translation>Check again</translation>
    </message>
</context>
<context>
    <name>vexlo::MainWindow</name>
    <message>
        <source>Vexlo Utility</source>
        <translation>Vexlo Utility</translation>
    </message>
    <message>
        <source>Über Vexlo Utility</source>
        <translation>About Vexlo Utility</translation>
    </message>
    <message>
        <source>&lt;b&gt;Vexlo Utility&lt;/b&gt; %1&lt;br&gt;Bringt die Steuerplatine einer Coilex-Maschine auf die neueste Firmware.</source>
        <translation>&lt;b&gt;Vexlo Utility&lt;/b&gt; %1&lt;br&gt;Brings the control board of a Coilex machine to the newest firmware.</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Check for Updates…</translation>
    </message>
    <message>
        <source>Die Installation läuft noch. Trotzdem beenden?</source>
        <translation>The installation is still running. Quit anyway?</translation>
    </message>
    <message>
        <source>Die Installation wird nicht abgebrochen: Das Programm endet, sobald sie abgeschlossen ist.</source>
        <translation>The installation is not cancelled: the program quits as soon as it has finished.</translation>
    </message>
    <message>
        <source>&amp;Protokoll anzeigen…</source>
        <translation>Show &amp;Log…</translation>
    </message>
    <message>
        <source>&amp;Beenden</source>
        <translation>&amp;Quit</translation>
    </message>
</context>
</TS>
