<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="de_DE">
<context>
    <name>StepRows</name>
    <message>
        <source>Fortschritt: </source>
        <translation>Fortschritt: </translation>
    </message>
    <message>
        <source>Fortschritt:</source>
        <translation>Fortschritt:</translation>
    </message>
    <message>
        <source>Fortschritt: fertig!</source>
        <translation>Fortschritt: fertig!</translation>
    </message>
    <message>
        <source>step_device_found</source>
        <translation>Gerät gefunden</translation>
    </message>
    <message>
        <source>Port: </source>
        <translation>Port: </translation>
    </message>
    <message>
        <source>step_firmware_downloaded</source>
        <translation>Firmware heruntergeladen</translation>
    </message>
    <message>
        <source>Datei: </source>
        <translation>Datei: </translation>
    </message>
    <message>
        <source>step_installation_running</source>
        <translation>Installation läuft</translation>
    </message>
    <message>
        <source>step_successful</source>
        <translation>Erfolgreich</translation>
    </message>
    <message>
        <source>nicht begonnen</source>
        <translation>nicht begonnen</translation>
    </message>
    <message>
        <source>läuft</source>
        <translation>läuft</translation>
    </message>
    <message>
        <source>erfolgreich</source>
        <translation>erfolgreich</translation>
    </message>
    <message>
        <source>fehlgeschlagen</source>
        <translation>fehlgeschlagen</translation>
    </message>
</context>
<context>
    <name>Updater</name>
    <message>
        <source>Der Update-Feed ist größer als 1 MiB.</source>
        <translation>Der Update-Feed ist größer als 1 MiB.</translation>
    </message>
    <message>
        <source>Der Update-Server antwortete mit Status %1.</source>
        <translation>Der Update-Server antwortete mit Status %1.</translation>
    </message>
    <message>
        <source>Der Update-Feed ist nicht lesbar: %1</source>
        <translation>Der Update-Feed ist nicht lesbar: %1</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Check for Updates…</translation>
    </message>
    <message>
        <source>Vexlo Utility %1 ist aktuell.</source>
        <translation>Vexlo Utility %1 ist aktuell.</translation>
    </message>
    <message>
        <source>Die Suche nach Updates ist fehlgeschlagen.</source>
        <translation>Die Suche nach Updates ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Vexlo Utility %1 ist verfügbar (installiert: %2).</source>
        <translation>Vexlo Utility %1 ist verfügbar (installiert: %2).</translation>
    </message>
    <message>
        <source>Herunterladen…</source>
        <translation>Herunterladen…</translation>
    </message>
</context>
<context>
    <name>vexlo::LogWindow</name>
    <message>
        <source>&amp;Kopieren</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>&amp;Ordner öffnen</source>
        <translation>&amp;Ordner öffnen</translation>
    </message>
    <message>
        <source>Protokoll – Vexlo Utility</source>
        <translation>Protokoll – Vexlo Utility</translation>
    </message>
    <message>
        <source>Der Ordner %1 lässt sich nicht öffnen.</source>
        <translation>Der Ordner %1 lässt sich nicht öffnen.</translation>
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
        <translation>Neuste Firmware Version: </translation>
    </message>
    <message>
        <source>Installieren</source>
        <translation>Installieren</translation>
    </message>
    <message>
        <source>Herunterladen und installieren</source>
        <translation>Herunterladen und installieren</translation>
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
        <translation>Über Vexlo Utility</translation>
    </message>
    <message>
        <source>&lt;b&gt;Vexlo Utility&lt;/b&gt; %1&lt;br&gt;Bringt die Steuerplatine einer Coilex-Maschine auf die neueste Firmware.</source>
        <translation>&lt;b&gt;Vexlo Utility&lt;/b&gt; %1&lt;br&gt;Bringt die Steuerplatine einer Coilex-Maschine auf die neueste Firmware.</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Check for Updates…</translation>
    </message>
    <message>
        <source>Die Installation läuft noch. Trotzdem beenden?</source>
        <translation>Die Installation läuft noch. Trotzdem beenden?</translation>
    </message>
    <message>
        <source>&amp;Protokoll anzeigen…</source>
        <translation>&amp;Protokoll anzeigen…</translation>
    </message>
    <message>
        <source>&amp;Beenden</source>
        <translation>&amp;Beenden</translation>
    </message>
</context>
</TS>
