<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name></name>
    <message id="READING_FOLDER_STRUCTURE_STRING">
        <source>Reading %1</source>
        <translation>Lese %1</translation>
    </message>
    <message id="HANDLING_FILE_STRING">
        <source>Comparing %1</source>
        <translation>Vergleiche %1</translation>
    </message>
    <message id="REMOVE_ROOT_NODE_STRING">
        <source>Removing source %1</source>
        <translation>Entferne Quelle %1</translation>
    </message>
    <message id="DOCUMENT_STRING">
        <source>Document</source>
        <translation>Dokument</translation>
    </message>
    <message id="MOVIE_STRING">
        <source>Movie</source>
        <translation>Film</translation>
    </message>
    <message id="MUSIC_STRING">
        <source>Music</source>
        <translation>Musik</translation>
    </message>
    <message id="IMAGE_STRING">
        <source>Picture</source>
        <translation>Bild</translation>
    </message>
    <message id="ARCHIEVE_STRING">
        <source>Archive</source>
        <translation>Archiv</translation>
    </message>
    <message id="APPLICATION_STRING">
        <source>Application</source>
        <translation>Anwendung</translation>
    </message>
    <message id="OTHERS_STRING">
        <source>Others</source>
        <translation>Sonstige</translation>
    </message>
    <message id="COLUMN_FOLDER">
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message id="COLUMN_FILE_NAME">
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message id="COLUMN_EXTENSION">
        <source>Ext.</source>
        <translation>Endung</translation>
    </message>
    <message id="COLUMN_DATE">
        <source>Added</source>
        <translation>Hinzugefügt</translation>
    </message>
    <message id="COLUMN_CATEGORY">
        <source>Category</source>
        <translation>Kategorie</translation>
    </message>
    <message id="COLUMN_COPIES">
        <source>Copies</source>
        <translation>Kopien</translation>
    </message>
    <message id="DUPLICATE_LIST_NAME">
        <source>Duplicate groups</source>
        <translation>Duplikatgruppen</translation>
    </message>
    <message id="OPEN_FILE_ACTION">
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message id="REVEAL_FILE_ACTION">
        <source>Show in Folder</source>
        <translation>Im Ordner zeigen</translation>
    </message>
    <message id="UNTICK_GROUP_ACTION">
        <source>Untick Group</source>
        <translation>Gruppe abwählen</translation>
    </message>
    <message id="TICK_GROUP_ACTION">
        <source>Tick Group</source>
        <translation>Gruppe auswählen</translation>
    </message>
    <message id="COLLAPSE_GROUP_ACTION">
        <source>Collapse Group</source>
        <translation>Gruppe zuklappen</translation>
    </message>
    <message id="EXPAND_GROUP_ACTION">
        <source>Expand Group</source>
        <translation>Gruppe aufklappen</translation>
    </message>
    <message id="SCAN_BUSY_NAME">
        <source>Scanning</source>
        <translation>Suche läuft</translation>
    </message>
    <message id="SOURCES_HEADING">
        <source>Sources</source>
        <translation>Quellen</translation>
    </message>
    <message id="RULES_SEGMENT">
        <source>Rules…</source>
        <translation>Regeln…</translation>
    </message>
    <message id="ADD_SEGMENT">
        <source>Add…</source>
        <translation>Hinzufügen…</translation>
    </message>
    <message id="REMOVE_ALL_SEGMENT">
        <source>Remove All</source>
        <translation>Alle entfernen</translation>
    </message>
    <message id="DUPLICATES_HEADING">
        <source>Duplicates</source>
        <translation>Duplikate</translation>
    </message>
    <message id="TICK_ALL_SEGMENT">
        <source>Tick All</source>
        <translation>Alle auswählen</translation>
    </message>
    <message id="UNTICK_ALL_SEGMENT">
        <source>Untick All</source>
        <translation>Alle abwählen</translation>
    </message>
    <message id="COLLAPSE_ALL_SEGMENT">
        <source>Collapse All</source>
        <translation>Alle zuklappen</translation>
    </message>
    <message id="EXPAND_ALL_SEGMENT">
        <source>Expand All</source>
        <translation>Alle aufklappen</translation>
    </message>
    <message id="ADD_SOURCES_ACTION">
        <source>Add Sources…</source>
        <translation>Quellen hinzufügen…</translation>
    </message>
    <message id="SCAN_RULES_ACTION">
        <source>Scan Rules…</source>
        <translation>Suchregeln…</translation>
    </message>
    <message id="REMOVE_ALL_ACTION">
        <source>Remove All Sources</source>
        <translation>Alle Quellen entfernen</translation>
    </message>
    <message id="QUIT_ACTION">
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message id="HELP_ACTION">
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message id="PRODUCTS_ACTION">
        <source>More from Quenby</source>
        <translation>Mehr von Quenby</translation>
    </message>
    <message id="FILE_MENU">
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message id="GROUPS_MENU">
        <source>&amp;Groups</source>
        <translation>&amp;Gruppen</translation>
    </message>
    <message id="HELP_MENU">
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message id="MAIN_TOOLBAR">
        <source>Main Toolbar</source>
        <translation>Hauptwerkzeugleiste</translation>
    </message>
    <message id="RATE_PANEL_TITLE">
        <source>Enjoying TwinSift?</source>
        <translation>Gefällt Ihnen TwinSift?</translation>
    </message>
    <message id="RATE_PANEL_TEXT">
        <source>Did TwinSift help you free some space? A rating helps others find it.</source>
        <translation>Hat TwinSift Ihnen geholfen, Platz zu schaffen? Eine Bewertung hilft anderen, es zu finden.</translation>
    </message>
    <message id="RATE_LATER_BUTTON">
        <source>Later</source>
        <translation>Später</translation>
    </message>
    <message id="RATE_NOW_BUTTON">
        <source>Rate Now</source>
        <translation>Jetzt bewerten</translation>
    </message>
    <message id="SCAN_RULES_TITLE">
        <source>Scan Rules</source>
        <translation>Suchregeln</translation>
    </message>
    <message id="SCAN_KINDS_GROUP">
        <source>Kinds of files to scan</source>
        <translation>Zu durchsuchende Dateiarten</translation>
    </message>
    <message id="SCAN_TYPE_ALL_SWITCH">
        <source>All kinds of files</source>
        <translation>Alle Dateiarten</translation>
    </message>
    <message id="SCAN_EXTRA_EXTENSIONS_LABEL">
        <source>Extra extensions, separated by commas</source>
        <translation>Weitere Endungen, durch Kommas getrennt</translation>
    </message>
    <message id="SCAN_COMPARISON_GROUP">
        <source>Comparison</source>
        <translation>Vergleich</translation>
    </message>
    <message id="THUMBNAILS_SWITCH">
        <source>Show thumbnails of the groups' files</source>
        <translation>Vorschaubilder der Gruppen zeigen</translation>
    </message>
    <message id="FINGERPRINT_CACHE_SWITCH">
        <source>Remember the files read, and read only what changed in later scans</source>
        <translation>Gelesene Dateien merken und bei späteren Suchen nur Geändertes lesen</translation>
    </message>
    <message id="FAST_SCAN_SWITCH">
        <source>Compare large files by samples, from</source>
        <translation>Große Dateien anhand von Stichproben vergleichen, ab</translation>
    </message>
    <message id="MINIMUM_SIZE_SWITCH">
        <source>Skip files smaller than</source>
        <translation>Dateien überspringen, die kleiner sind als</translation>
    </message>
    <message id="SCAN_RULES_NOTE">
        <source>Changes apply to the next file a scan checks.</source>
        <translation>Änderungen gelten ab der nächsten Datei, die eine Suche prüft.</translation>
    </message>
    <message id="ADD_SOURCES_BUTTON">
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message id="SOURCE_STATE_DONE">
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message id="SOURCE_STATE_STOPPING">
        <source>Stopping…</source>
        <translation>Wird angehalten…</translation>
    </message>
    <message id="SOURCE_STATE_SCANNING">
        <source>Scanning…</source>
        <translation>Wird durchsucht…</translation>
    </message>
    <message id="SOURCE_COLUMN_INDEX">
        <source>#</source>
        <translation>#</translation>
    </message>
    <message id="SOURCE_COLUMN_PATH">
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
    <message id="SOURCE_COLUMN_FILES">
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message id="SOURCE_COLUMN_SIZE">
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message id="SOURCE_COLUMN_STATE">
        <source>State</source>
        <translation>Status</translation>
    </message>
    <message id="SOURCE_LIST_NAME">
        <source>Sources</source>
        <translation>Quellen</translation>
    </message>
    <message id="REVEAL_SOURCE_ACTION">
        <source>Show in Folder</source>
        <translation>Im Ordner zeigen</translation>
    </message>
    <message id="STOP_SOURCE_ACTION">
        <source>Stop Scanning</source>
        <translation>Suche anhalten</translation>
    </message>
    <message id="REMOVE_SOURCE_ACTION">
        <source>Remove Source</source>
        <translation>Quelle entfernen</translation>
    </message>
    <message id="SOURCE_LIST_EMPTY_HINT">
        <source>Drop folders or files here, or press Ctrl+O to add them.</source>
        <translation>Ordner oder Dateien hierher ziehen oder mit Strg+O hinzufügen.</translation>
    </message>
    <message id="SELECTED_DIRECTORY_OR_FILE_PROMPT">
        <source>Choose folders or files to search for duplicates</source>
        <translation>Ordner oder Dateien wählen, in denen nach Duplikaten gesucht wird</translation>
    </message>
    <message id="CLEAN_TASK_START_STRING">
        <source>Cleaning up…</source>
        <translation>Räume auf …</translation>
    </message>
    <message id="CLEAN_TASK_END_STRING" numerus="yes">
        <source>%n file(s) removed, %1 MiB freed.</source>
        <translation>
            <numerusform>%n Datei entfernt, %1 MiB freigegeben.</numerusform>
            <numerusform>%n Dateien entfernt, %1 MiB freigegeben.</numerusform>
        </translation>
    </message>
    <message id="CLEAN_TASK_NO_DST_FOLDER_STRING">
        <source>Choose the folder to move the files into first.</source>
        <translation>Wählen Sie zuerst den Ordner, in den die Dateien verschoben werden sollen.</translation>
    </message>
    <message id="CLEAN_FILE_CHANGED_STRING">
        <source>%1 changed or moved since the scan, so it was left in place.</source>
        <translation>%1 wurde seit der Suche geändert oder verschoben und bleibt daher, wo es ist.</translation>
    </message>
    <message id="CLEAN_NO_IDENTICAL_COPY_STRING">
        <source>No copy that stays holds the same bytes as %1, so it was left in place.</source>
        <translation>Keine Kopie, die bleibt, enthält dieselben Bytes wie %1; die Datei bleibt daher, wo sie ist.</translation>
    </message>
    <message id="CLEAN_TASK_PROMPT_STRING">
        <source>Choose what to keep, then start the clean-up.</source>
        <translation>Wählen Sie, was bleiben soll, und starten Sie dann das Aufräumen.</translation>
    </message>
    <message id="SELECTED_DIRECTORY_PROMPT">
        <source>Choose the folder to move the duplicates into</source>
        <translation>Wählen Sie den Ordner, in den die Duplikate verschoben werden</translation>
    </message>
    <message id="ERROR_DOMAIN_CODE_STRING">
        <source>The operation could not be completed. (%1 error %2.)</source>
        <translation>Der Vorgang konnte nicht abgeschlossen werden. (%1, Fehler %2.)</translation>
    </message>
    <message id="CLEAN_TASK_TITLE">
        <source>Clean Up Duplicates</source>
        <translation>Duplikate aufräumen</translation>
    </message>
    <message id="CLEAN_MODE_GROUP">
        <source>What happens to the copies</source>
        <translation>Was mit den Kopien geschieht</translation>
    </message>
    <message id="CLEAN_MODE_DELETE">
        <source>Delete them permanently (they do not go to the Trash)</source>
        <translation>Endgültig löschen (sie kommen nicht in den Papierkorb)</translation>
    </message>
    <message id="CLEAN_MODE_MOVE">
        <source>Move them into a folder (can be undone)</source>
        <translation>In einen Ordner verschieben (lässt sich rückgängig machen)</translation>
    </message>
    <message id="CLEAN_CHOOSE_FOLDER_BUTTON">
        <source>Choose Folder…</source>
        <translation>Ordner wählen …</translation>
    </message>
    <message id="CLEAN_RULES_GROUP">
        <source>Which copies go</source>
        <translation>Welche Kopien entfernt werden</translation>
    </message>
    <message id="CLEAN_DATE_RULE">
        <source>Keep in each group</source>
        <translation>In jeder Gruppe behalten</translation>
    </message>
    <message id="CLEAN_FOLDER_RULE">
        <source>Only copies in the source</source>
        <translation>Nur Kopien in der Quelle</translation>
    </message>
    <message id="CLEAN_TYPE_RULE">
        <source>Only copies with the extension</source>
        <translation>Nur Kopien mit der Endung</translation>
    </message>
    <message id="CLEAN_START_BUTTON">
        <source>Start</source>
        <translation>Starten</translation>
    </message>
    <message id="CLEAN_NO_FOLDER">
        <source>No folder chosen yet</source>
        <translation>Noch kein Ordner gewählt</translation>
    </message>
    <message id="CLEAN_PLAN_MOVE" numerus="yes">
        <source>%n file(s) (%1) will be moved into the folder.</source>
        <translation>
            <numerusform>%n Datei (%1) wird in den Ordner verschoben.</numerusform>
            <numerusform>%n Dateien (%1) werden in den Ordner verschoben.</numerusform>
        </translation>
    </message>
    <message id="CLEAN_PLAN_DELETE" numerus="yes">
        <source>%n file(s) (%1) will be deleted permanently. This cannot be undone.</source>
        <translation>
            <numerusform>%n Datei (%1) wird endgültig gelöscht. Das lässt sich nicht rückgängig machen.</numerusform>
            <numerusform>%n Dateien (%1) werden endgültig gelöscht. Das lässt sich nicht rückgängig machen.</numerusform>
        </translation>
    </message>
    <message id="HANDLE_ERROR_MESSAGE">
        <source>A file could not be removed.</source>
        <translation>Eine Datei konnte nicht entfernt werden.</translation>
    </message>
    <message id="QUIT_BUTTON_INFO">
        <source>Stop</source>
        <translation>Anhalten</translation>
    </message>
    <message id="CONTINUE_BUTTON_INFO">
        <source>Continue</source>
        <translation>Fortfahren</translation>
    </message>
    <message id="CONTINUE_ALL_BUTTON_INFO">
        <source>Continue Without Asking</source>
        <translation>Ohne Nachfrage fortfahren</translation>
    </message>
    <message id="CLEAN_UP_ACTION">
        <source>Clean Up…</source>
        <translation>Aufräumen …</translation>
    </message>
    <message id="UNDO_ACTION">
        <source>Undo Clean-up</source>
        <translation>Aufräumen rückgängig</translation>
    </message>
    <message id="TRASH_FILE_ACTION">
        <source>Move to Trash</source>
        <translation>In den Papierkorb</translation>
    </message>
    <message id="CLEAN_FILE_IN_USE_STRING">
        <source>%1 is in use by another clean-up, so it was left in place.</source>
        <translation>%1 wird gerade von einer anderen Bereinigung bearbeitet; die Datei bleibt daher, wo sie ist.</translation>
    </message>
    <message id="UNDO_MOVED_FILE_CHANGED_STRING">
        <source>%1 cannot be put back: what is at %2 is not the file moved there.</source>
        <translation>%1 kann nicht zurückgelegt werden: Was in %2 liegt, ist nicht die dorthin verschobene Datei.</translation>
    </message>
    <message id="UNDO_FAILURES_MESSAGE" numerus="yes">
        <source>%n file(s) could not be put back.</source>
        <translation>
            <numerusform>%n Datei konnte nicht zurückgelegt werden.</numerusform>
            <numerusform>%n Dateien konnten nicht zurückgelegt werden.</numerusform>
        </translation>
    </message>
    <message id="CLEAN_TASK_END_MOVED_STRING" numerus="yes">
        <source>%n file(s) moved.</source>
        <translation>
            <numerusform>%n Datei verschoben.</numerusform>
            <numerusform>%n Dateien verschoben.</numerusform>
        </translation>
    </message>
    <message id="CLEAN_TASK_END_TRASHED_STRING" numerus="yes">
        <source>%n file(s) sent to the trash.</source>
        <translation>
            <numerusform>%n Datei in den Papierkorb gelegt.</numerusform>
            <numerusform>%n Dateien in den Papierkorb gelegt.</numerusform>
        </translation>
    </message>
    <message id="CLEAN_FILE_PROTECTED_STRING">
        <source>%1 lies in a protected folder, so it was left in place.</source>
        <translation>%1 liegt in einem geschützten Ordner; die Datei bleibt daher, wo sie ist.</translation>
    </message>
    <message id="COMPARED_BY_SAMPLES_MARK">
        <source> · compared by samples</source>
        <translation> · durch Stichproben verglichen</translation>
    </message>
    <message id="OPEN_FILE_FAILED">
        <source>No application opens %1.</source>
        <translation>Keine Anwendung öffnet %1.</translation>
    </message>
    <message id="SOURCE_ALREADY_ADDED">
        <source>%1 is a source already.</source>
        <translation>%1 ist bereits eine Quelle.</translation>
    </message>
    <message id="SOURCE_PATH_MISSING">
        <source>%1 was not added: nothing is there.</source>
        <translation>%1 wurde nicht hinzugefügt: Dort ist nichts.</translation>
    </message>
    <message id="SOURCE_INSIDE_SOURCE">
        <source>%1 lies inside the source %2: its files are counted once.</source>
        <translation>%1 liegt in der Quelle %2: Ihre Dateien werden einmal gezählt.</translation>
    </message>
    <message id="KEPT_FILE_TIP">
        <source>A clean-up by the current rules keeps this file.</source>
        <translation>Eine Bereinigung nach den aktuellen Regeln behält diese Datei.</translation>
    </message>
    <message id="ADDED_IS_MODIFIED_TIP">
        <source>The date the file was last modified: its file system records no date of creation.</source>
        <translation>Das Datum der letzten Änderung: Das Dateisystem verzeichnet kein Erstellungsdatum.</translation>
    </message>
    <message id="NO_ADDED_DATE_TIP">
        <source>The file system records no date for this file.</source>
        <translation>Das Dateisystem verzeichnet für diese Datei kein Datum.</translation>
    </message>
    <message id="COLUMN_FILE_SIZE">
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message id="COPY_PATHS_ACTION">
        <source>Copy Paths</source>
        <translation>Pfade kopieren</translation>
    </message>
    <message id="SOURCE_STATE_STOPPED">
        <source>Stopped</source>
        <translation>Angehalten</translation>
    </message>
    <message id="RESCAN_SOURCE_ACTION">
        <source>Rescan</source>
        <translation>Neu durchsuchen</translation>
    </message>
    <message id="FILTER_PLACEHOLDER">
        <source>Filter: part of a name or path, or a pattern such as *.jpg</source>
        <translation>Filter: Teil eines Namens oder Pfads, oder ein Muster wie *.jpg</translation>
    </message>
    <message id="FILTER_NAME">
        <source>Filter</source>
        <translation>Filter</translation>
    </message>
    <message id="RESCAN_ALL_ACTION">
        <source>Rescan All</source>
        <translation>Alle neu durchsuchen</translation>
    </message>
    <message id="EXPORT_CSV_ACTION">
        <source>Export as CSV…</source>
        <translation>Als CSV exportieren…</translation>
    </message>
    <message id="EXPORT_JSON_ACTION">
        <source>Export as JSON…</source>
        <translation>Als JSON exportieren…</translation>
    </message>
    <message id="REMEMBER_SOURCES_ACTION">
        <source>Remember Sources</source>
        <translation>Quellen merken</translation>
    </message>
    <message id="REMEMBER_SOURCES_TIP">
        <source>Scanned again at the next start</source>
        <translation>Beim nächsten Start erneut durchsucht</translation>
    </message>
    <message id="COMPACT_ROWS_ACTION">
        <source>Compact Rows</source>
        <translation>Kompakte Zeilen</translation>
    </message>
    <message id="FILTER_ACTION">
        <source>Filter Groups</source>
        <translation>Gruppen filtern</translation>
    </message>
    <message id="ABOUT_ACTION">
        <source>About TwinSift</source>
        <translation>Über TwinSift</translation>
    </message>
    <message id="EDIT_MENU">
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message id="VIEW_MENU">
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message id="TOGGLE_TICK_ACTION">
        <source>Tick or Untick Group</source>
        <translation>Gruppe an- oder abwählen</translation>
    </message>
    <message id="TOGGLE_GROUP_ACTION">
        <source>Expand or Collapse Group</source>
        <translation>Gruppe auf- oder zuklappen</translation>
    </message>
    <message id="ABOUT_TEXT">
        <source>&lt;h3&gt;TwinSift %1&lt;/h3&gt;&lt;p&gt;Finds files with identical content and cleans them up.&lt;/p&gt;&lt;p&gt;Free software under the GNU General Public License, version 3 or later. It comes with no warranty.&lt;/p&gt;&lt;p&gt;&lt;a href="%2"&gt;Help&lt;/a&gt; · &lt;a href="%3"&gt;Quenby&lt;/a&gt;&lt;/p&gt;</source>
        <translation>&lt;h3&gt;TwinSift %1&lt;/h3&gt;&lt;p&gt;Findet Dateien mit gleichem Inhalt und räumt sie auf.&lt;/p&gt;&lt;p&gt;Freie Software unter der GNU General Public License, Version 3 oder später. Ohne jede Gewährleistung.&lt;/p&gt;&lt;p&gt;&lt;a href="%2"&gt;Hilfe&lt;/a&gt; · &lt;a href="%3"&gt;Quenby&lt;/a&gt;&lt;/p&gt;</translation>
    </message>
    <message id="EXPORT_DIALOG_TITLE">
        <source>Export the Shown Groups</source>
        <translation>Angezeigte Gruppen exportieren</translation>
    </message>
    <message id="EXPORT_FAILED">
        <source>The report could not be written to %1: %2</source>
        <translation>Der Bericht konnte nicht nach %1 geschrieben werden: %2</translation>
    </message>
    <message id="NO_WEB_BROWSER">
        <source>No web browser could be started. The page is at %1</source>
        <translation>Es konnte kein Webbrowser gestartet werden. Die Seite ist unter %1</translation>
    </message>
    <message id="NO_FILE_MANAGER">
        <source>No file manager shows %1.</source>
        <translation>Kein Dateimanager zeigt %1.</translation>
    </message>
    <message id="BYTE_COUNT_STRING" numerus="yes">
        <source>%1 byte(s)</source>
        <translation>
            <numerusform>%1 Byte</numerusform>
            <numerusform>%1 Bytes</numerusform>
        </translation>
    </message>
    <message id="DUP_GROUP_STAT_STRING" numerus="yes">
        <source>%1 group(s) of duplicates · removable files: %2 · wasted: %3</source>
        <translation>
            <numerusform>%1 Gruppe von Duplikaten · entfernbare Dateien: %2 · verschwendet: %3</numerusform>
            <numerusform>%1 Gruppen von Duplikaten · entfernbare Dateien: %2 · verschwendet: %3</numerusform>
        </translation>
    </message>
    <message id="FILTERED_GROUPS_STRING" numerus="yes">
        <source>%1 of them shown · </source>
        <translation>
            <numerusform>davon %1 angezeigt · </numerusform>
            <numerusform>davon %1 angezeigt · </numerusform>
        </translation>
    </message>
    <message id="DUP_GROUP_INFO_STRING" numerus="yes">
        <source>%1 files · %2 · %3 · %4 each · %5 wasted
%6
Added %7 · %8</source>
        <translation>
            <numerusform>%1 Datei · %2 · %3 · je %4 · %5 verschwendet
%6
Hinzugefügt %7 · %8</numerusform>
            <numerusform>%1 Dateien · %2 · %3 · je %4 · %5 verschwendet
%6
Hinzugefügt %7 · %8</numerusform>
        </translation>
    </message>
    <message id="SOURCE_FOLDER_STAT_STRING" numerus="yes">
        <source>%1 file(s), %2</source>
        <translation>
            <numerusform>%1 Datei, %2</numerusform>
            <numerusform>%1 Dateien, %2</numerusform>
        </translation>
    </message>
    <message id="SOURCE_STOPPED_TIP" numerus="yes">
        <source>The scan was stopped: the source holds the %1 file(s) (%2) it took in before.</source>
        <translation>
            <numerusform>Die Suche wurde angehalten: Die Quelle enthält die %1 Datei (%2), die sie bis dahin aufgenommen hat.</numerusform>
            <numerusform>Die Suche wurde angehalten: Die Quelle enthält die %1 Dateien (%2), die sie bis dahin aufgenommen hat.</numerusform>
        </translation>
    </message>
    <message id="SCAN_PROGRESS_STRING" numerus="yes">
        <source>%1 file(s), %2 taken in · %3 compared</source>
        <translation>
            <numerusform>%1 Datei, %2 aufgenommen · %3 verglichen</numerusform>
            <numerusform>%1 Dateien, %2 aufgenommen · %3 verglichen</numerusform>
        </translation>
    </message>
    <message id="FOLDER_UP_ACTION">
        <source>Up</source>
        <translation>Nach oben</translation>
    </message>
    <message id="HOME_FOLDER_ACTION">
        <source>Home Folder</source>
        <translation>Persönlicher Ordner</translation>
    </message>
    <message id="CLEAN_FAILURE_LINE">
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message id="CLEAN_PREVIEW_STAYS">
        <source>Stays</source>
        <translation>Bleibt</translation>
    </message>
    <message id="CLEAN_PREVIEW_MOVED_NOWHERE">
        <source>Moved (choose the folder first)</source>
        <translation>Wird verschoben (erst den Ordner wählen)</translation>
    </message>
    <message id="CLEAN_PREVIEW_MOVED">
        <source>Moved to %1</source>
        <translation>Wird verschoben nach %1</translation>
    </message>
    <message id="CLEAN_PREVIEW_TRASHED">
        <source>To the trash</source>
        <translation>In den Papierkorb</translation>
    </message>
    <message id="CLEAN_PREVIEW_DELETED">
        <source>Deleted for good</source>
        <translation>Wird endgültig gelöscht</translation>
    </message>
    <message id="CLEAN_PREVIEW_MODIFIED_DATE">
        <source>%1 (modified)</source>
        <translation>%1 (geändert)</translation>
    </message>
    <message id="CLEAN_PREVIEW_MODIFIED_DATE_TIP">
        <source>The file system records no creation time for this file: this is the time it was last modified.</source>
        <translation>Das Dateisystem verzeichnet für diese Datei keinen Erstellungszeitpunkt: Dies ist der Zeitpunkt der letzten Änderung.</translation>
    </message>
    <message id="CLEAN_PREVIEW_FILE">
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message id="CLEAN_PREVIEW_ADDED">
        <source>Added</source>
        <translation>Hinzugefügt</translation>
    </message>
    <message id="CLEAN_PREVIEW_FATE">
        <source>What happens</source>
        <translation>Was geschieht</translation>
    </message>
    <message id="CLEAN_PREVIEW_GROUP" numerus="yes">
        <source>%n copies of “%1”, %2 each</source>
        <translation>
            <numerusform>%n Kopie von „%1“, %2</numerusform>
            <numerusform>%n Kopien von „%1“, je %2</numerusform>
        </translation>
    </message>
    <message id="CLEAN_CONFIRM_DELETE" numerus="yes">
        <source>Delete %n file(s) (%1) permanently?</source>
        <translation>
            <numerusform>%n Datei (%1) endgültig löschen?</numerusform>
            <numerusform>%n Dateien (%1) endgültig löschen?</numerusform>
        </translation>
    </message>
    <message id="CLEAN_CONFIRM_DELETE_INFO">
        <source>They do not go to the trash. This cannot be undone.</source>
        <translation>Sie kommen nicht in den Papierkorb. Das lässt sich nicht rückgängig machen.</translation>
    </message>
    <message id="CLEAN_CONFIRM_DELETE_BUTTON">
        <source>Delete Permanently</source>
        <translation>Endgültig löschen</translation>
    </message>
    <message id="CLEAN_MODE_TRASH">
        <source>Send them to the trash (they can be restored from the trash, and by Undo)</source>
        <translation>In den Papierkorb werfen (sie lassen sich aus dem Papierkorb und mit „Aufräumen rückgängig“ wiederherstellen)</translation>
    </message>
    <message id="CLEAN_KEEP_ADDED_LAST">
        <source>the file added last</source>
        <translation>die zuletzt hinzugefügte Datei</translation>
    </message>
    <message id="CLEAN_KEEP_ADDED_FIRST">
        <source>the file added first</source>
        <translation>die zuerst hinzugefügte Datei</translation>
    </message>
    <message id="CLEAN_STOP_BUTTON">
        <source>Stop</source>
        <translation>Anhalten</translation>
    </message>
    <message id="CLEAN_PLAN_TRASH" numerus="yes">
        <source>%n file(s) (%1) will go to the trash; they can be restored from there, and by Undo.</source>
        <translation>
            <numerusform>%n Datei (%1) kommt in den Papierkorb; sie lässt sich von dort und mit „Aufräumen rückgängig“ wiederherstellen.</numerusform>
            <numerusform>%n Dateien (%1) kommen in den Papierkorb; sie lassen sich von dort und mit „Aufräumen rückgängig“ wiederherstellen.</numerusform>
        </translation>
    </message>
    <message id="CLEAN_FAILURES_TITLE" numerus="yes">
        <source>%n file(s) could not be removed and stay where they are:</source>
        <translation>
            <numerusform>%n Datei ließ sich nicht entfernen und bleibt, wo sie ist:</numerusform>
            <numerusform>%n Dateien ließen sich nicht entfernen und bleiben, wo sie sind:</numerusform>
        </translation>
    </message>
    <message id="CLEAN_PROGRESS" numerus="yes">
        <source>%1 of %n file(s)</source>
        <translation>
            <numerusform>%1 von %n Datei</numerusform>
            <numerusform>%1 von %n Dateien</numerusform>
        </translation>
    </message>
    <message id="CLEAN_PLAN_NOTHING">
        <source>Nothing to remove: these rules let no file of a ticked group go.</source>
        <translation>Nichts zu entfernen: Nach diesen Regeln geht keine Datei einer angehakten Gruppe.</translation>
    </message>
    <message id="PROTECTED_FILE_TIP">
        <source>In a protected source: never removed, moved or trashed.</source>
        <translation>In einer geschützten Quelle: wird nie entfernt, verschoben oder in den Papierkorb gelegt.</translation>
    </message>
    <message id="PROTECT_SOURCE_ACTION">
        <source>Protect: never remove, move or trash anything here</source>
        <translation>Schützen: hier nie etwas entfernen, verschieben oder in den Papierkorb legen</translation>
    </message>
    <message id="SOURCE_PROTECTED_TIP">
        <source>Protected: nothing here is removed, moved or trashed.</source>
        <translation>Geschützt: hier wird nichts entfernt, verschoben oder in den Papierkorb gelegt.</translation>
    </message>
    <message id="CLEAN_COPY_CHANGED_STRING">
        <source>%1 changed since it was compared, so %2 was left in place.</source>
        <translation>%1 hat sich seit dem Vergleich geändert, daher blieb %2 an seinem Platz.</translation>
    </message>
    <message id="CLEAN_LINK_ACROSS_FILE_SYSTEMS_STRING">
        <source>%1 was left in place: a hard link cannot reach %2 on another file system.</source>
        <translation>%1 blieb an seinem Platz: Ein harter Link kann %2 auf einem anderen Dateisystem nicht erreichen.</translation>
    </message>
    <message id="CLEAN_MODE_HARD_LINK">
        <source>Replace them by hard links to the copy that stays (same file system only; can be undone)</source>
        <translation>Durch harte Links auf die bleibende Kopie ersetzen (nur auf demselben Dateisystem; rückgängig zu machen)</translation>
    </message>
    <message id="CLEAN_MODE_REFLINK">
        <source>Replace them by reflinks sharing the blocks of the copy that stays (btrfs, XFS; can be undone)</source>
        <translation>Durch Reflinks ersetzen, die die Blöcke der bleibenden Kopie teilen (btrfs, XFS; rückgängig zu machen)</translation>
    </message>
    <message id="CLEAN_NO_REFLINK_STRING">
        <source>%1 was left in place: its file system cannot share blocks between files (%2).</source>
        <translation>%1 blieb an seinem Platz: Sein Dateisystem kann keine Blöcke zwischen Dateien teilen (%2).</translation>
    </message>
    <message id="CLEAN_PREVIEW_HARD_LINKED">
        <source>Replaced by a hard link</source>
        <translation>Durch einen harten Link ersetzt</translation>
    </message>
    <message id="CLEAN_PREVIEW_REFLINKED">
        <source>Replaced by a reflink</source>
        <translation>Durch einen Reflink ersetzt</translation>
    </message>
    <message id="UNDO_JOURNAL_BAD_CHECKSUM">
        <source>record %1 fails its checksum</source>
        <translation>Eintrag %1 besteht seine Prüfsumme nicht</translation>
    </message>
    <message id="UNDO_JOURNAL_DAMAGED_STRING">
        <source>The undo journal %1 is damaged (%2), so nothing of it is undone.</source>
        <translation>Das Rückgängig-Journal %1 ist beschädigt (%2), daher wird nichts davon rückgängig gemacht.</translation>
    </message>
    <message id="UNDO_JOURNAL_NONSENSE">
        <source>record %1 makes no sense</source>
        <translation>Eintrag %1 ergibt keinen Sinn</translation>
    </message>
    <message id="UNDO_JOURNAL_NOT_A_JOURNAL">
        <source>it is not an undo journal</source>
        <translation>es ist kein Rückgängig-Journal</translation>
    </message>
    <message id="UNDO_JOURNAL_OUT_OF_SEQUENCE">
        <source>record %1 is out of sequence</source>
        <translation>Eintrag %1 steht außer der Reihe</translation>
    </message>
    <message id="UNDO_NOT_FOUND_STRING">
        <source>%1 cannot be put back: it is neither at its place nor at %2.</source>
        <translation>%1 kann nicht zurückgelegt werden: Die Datei ist weder an ihrem Platz noch unter %2.</translation>
    </message>
    <message id="UNDO_REPLACEMENT_CHANGED_STRING">
        <source>%1 cannot be put back: it changed since it was replaced by a link to %2.</source>
        <translation>%1 kann nicht zurückgelegt werden: Die Datei hat sich geändert, seit sie durch einen Link auf %2 ersetzt wurde.</translation>
    </message>
    <message id="CLEAN_TASK_END_LINKED_STRING" numerus="yes">
        <source>%n file(s) replaced by hard links, %1 MiB freed.</source>
        <translation>
            <numerusform>%n Datei durch einen harten Link ersetzt, %1 MiB frei geworden.</numerusform>
            <numerusform>%n Dateien durch harte Links ersetzt, %1 MiB frei geworden.</numerusform>
        </translation>
    </message>
    <message id="CLEAN_TASK_END_REFLINKED_STRING" numerus="yes">
        <source>%n file(s) replaced by reflinks, %1 MiB shared.</source>
        <translation>
            <numerusform>%n Datei durch einen Reflink ersetzt, %1 MiB geteilt.</numerusform>
            <numerusform>%n Dateien durch Reflinks ersetzt, %1 MiB geteilt.</numerusform>
        </translation>
    </message>
    <message id="CLEAN_PLAN_HARD_LINK" numerus="yes">
        <source>%n file(s) (%1 freed) will be replaced by hard links to the copy that stays: each then has that copy&apos;s owner, permissions, dates and attributes, not its own. Undo puts back copies of their own.</source>
        <translation>
            <numerusform>%n Datei (%1 frei) wird durch einen harten Link auf die bleibende Kopie ersetzt: Sie hat dann deren Eigentümer, Rechte, Daten und Attribute, nicht ihre eigenen. „Aufräumen rückgängig“ legt eine eigene Kopie zurück.</numerusform>
            <numerusform>%n Dateien (%1 frei) werden durch harte Links auf die bleibende Kopie ersetzt: Jede hat dann deren Eigentümer, Rechte, Daten und Attribute, nicht ihre eigenen. „Aufräumen rückgängig“ legt eigene Kopien zurück.</numerusform>
        </translation>
    </message>
    <message id="CLEAN_PLAN_REFLINK" numerus="yes">
        <source>%n file(s) (%1 shared) will be replaced by reflinks sharing the blocks of the copy that stays; each keeps its own owner, permissions, dates and attributes. A file system that cannot share blocks leaves them in place.</source>
        <translation>
            <numerusform>%n Datei (%1 geteilt) wird durch einen Reflink ersetzt, der die Blöcke der bleibenden Kopie teilt; sie behält ihren Eigentümer, ihre Rechte, Daten und Attribute. Ein Dateisystem, das keine Blöcke teilen kann, lässt sie an ihrem Platz.</numerusform>
            <numerusform>%n Dateien (%1 geteilt) werden durch Reflinks ersetzt, die die Blöcke der bleibenden Kopie teilen; jede behält ihren Eigentümer, ihre Rechte, Daten und Attribute. Ein Dateisystem, das keine Blöcke teilen kann, lässt sie an ihrem Platz.</numerusform>
        </translation>
    </message>
    <message id="UNDO_JOURNAL_IN_USE_STRING">
        <source>The clean-up that writes the undo journal %1 is still running.</source>
        <translation>Der Aufräumvorgang, der das Rückgängig-Journal %1 schreibt, läuft noch.</translation>
    </message>
</context>
</TS>
