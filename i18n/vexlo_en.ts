<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="de_DE">
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
        <source>Der Update-Feed ist nicht lesbar: %1</source>
        <translation>The update feed cannot be read: %1</translation>
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
</context>
<context>
    <name>vexlo::FlashStepView</name>
    <message>
        <source>Erneut prüfen</source>
        <translation>Check again</translation>
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
</context>
</TS>
