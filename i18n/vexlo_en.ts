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
        <source>&amp;Protokoll anzeigen…</source>
        <translation>Show &amp;Log…</translation>
    </message>
    <message>
        <source>&amp;Beenden</source>
        <translation>&amp;Quit</translation>
    </message>
</context>
</TS>
