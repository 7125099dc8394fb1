<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name></name>
    <message id="READING_FOLDER_STRUCTURE_STRING">
        <source>Reading %1</source>
        <translation>Reading %1</translation>
    </message>
    <message id="HANDLING_FILE_STRING">
        <source>Comparing %1</source>
        <translation>Comparing %1</translation>
    </message>
    <message id="REMOVE_ROOT_NODE_STRING">
        <source>Removing source %1</source>
        <translation>Removing source %1</translation>
    </message>
    <message id="DOCUMENT_STRING">
        <source>Document</source>
        <translation>Document</translation>
    </message>
    <message id="MOVIE_STRING">
        <source>Movie</source>
        <translation>Movie</translation>
    </message>
    <message id="MUSIC_STRING">
        <source>Music</source>
        <translation>Music</translation>
    </message>
    <message id="IMAGE_STRING">
        <source>Picture</source>
        <translation>Picture</translation>
    </message>
    <message id="ARCHIEVE_STRING">
        <source>Archive</source>
        <translation>Archive</translation>
    </message>
    <message id="APPLICATION_STRING">
        <source>Application</source>
        <translation>Application</translation>
    </message>
    <message id="OTHERS_STRING">
        <source>Others</source>
        <translation>Others</translation>
    </message>
    <message id="COLUMN_FOLDER">
        <source>Folder</source>
        <translation>Folder</translation>
    </message>
    <message id="COLUMN_FILE_NAME">
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message id="COLUMN_EXTENSION">
        <source>Ext.</source>
        <translation>Ext.</translation>
    </message>
    <message id="COLUMN_DATE">
        <source>Added</source>
        <translation>Added</translation>
    </message>
    <message id="COLUMN_CATEGORY">
        <source>Category</source>
        <translation>Category</translation>
    </message>
    <message id="COLUMN_COPIES">
        <source>Copies</source>
        <translation>Copies</translation>
    </message>
    <message id="DUPLICATE_LIST_NAME">
        <source>Duplicate groups</source>
        <translation>Duplicate groups</translation>
    </message>
    <message id="OPEN_FILE_ACTION">
        <source>Open</source>
        <translation>Open</translation>
    </message>
    <message id="REVEAL_FILE_ACTION">
        <source>Show in Folder</source>
        <translation>Show in Folder</translation>
    </message>
    <message id="UNTICK_GROUP_ACTION">
        <source>Untick Group</source>
        <translation>Untick Group</translation>
    </message>
    <message id="TICK_GROUP_ACTION">
        <source>Tick Group</source>
        <translation>Tick Group</translation>
    </message>
    <message id="COLLAPSE_GROUP_ACTION">
        <source>Collapse Group</source>
        <translation>Collapse Group</translation>
    </message>
    <message id="EXPAND_GROUP_ACTION">
        <source>Expand Group</source>
        <translation>Expand Group</translation>
    </message>
    <message id="SCAN_BUSY_NAME">
        <source>Scanning</source>
        <translation>Scanning</translation>
    </message>
    <message id="SOURCES_HEADING">
        <source>Sources</source>
        <translation>Sources</translation>
    </message>
    <message id="RULES_SEGMENT">
        <source>Rules…</source>
        <translation>Rules…</translation>
    </message>
    <message id="ADD_SEGMENT">
        <source>Add…</source>
        <translation>Add…</translation>
    </message>
    <message id="REMOVE_ALL_SEGMENT">
        <source>Remove All</source>
        <translation>Remove All</translation>
    </message>
    <message id="DUPLICATES_HEADING">
        <source>Duplicates</source>
        <translation>Duplicates</translation>
    </message>
    <message id="TICK_ALL_SEGMENT">
        <source>Tick All</source>
        <translation>Tick All</translation>
    </message>
    <message id="UNTICK_ALL_SEGMENT">
        <source>Untick All</source>
        <translation>Untick All</translation>
    </message>
    <message id="COLLAPSE_ALL_SEGMENT">
        <source>Collapse All</source>
        <translation>Collapse All</translation>
    </message>
    <message id="EXPAND_ALL_SEGMENT">
        <source>Expand All</source>
        <translation>Expand All</translation>
    </message>
    <message id="ADD_SOURCES_ACTION">
        <source>Add Sources…</source>
        <translation>Add Sources…</translation>
    </message>
    <message id="SCAN_RULES_ACTION">
        <source>Scan Rules…</source>
        <translation>Scan Rules…</translation>
    </message>
    <message id="REMOVE_ALL_ACTION">
        <source>Remove All Sources</source>
        <translation>Remove All Sources</translation>
    </message>
    <message id="QUIT_ACTION">
        <source>Quit</source>
        <translation>Quit</translation>
    </message>
    <message id="HELP_ACTION">
        <source>Help</source>
        <translation>Help</translation>
    </message>
    <message id="PRODUCTS_ACTION">
        <source>More from Quenby</source>
        <translation>More from Quenby</translation>
    </message>
    <message id="FILE_MENU">
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message id="GROUPS_MENU">
        <source>&amp;Groups</source>
        <translation>&amp;Groups</translation>
    </message>
    <message id="HELP_MENU">
        <source>&amp;Help</source>
        <translation>&amp;Help</translation>
    </message>
    <message id="MAIN_TOOLBAR">
        <source>Main Toolbar</source>
        <translation>Main Toolbar</translation>
    </message>
    <message id="RATE_PANEL_TITLE">
        <source>Enjoying TwinSift?</source>
        <translation>Enjoying TwinSift?</translation>
    </message>
    <message id="RATE_PANEL_TEXT">
        <source>Did TwinSift help you free some space? A rating helps others find it.</source>
        <translation>Did TwinSift help you free some space? A rating helps others find it.</translation>
    </message>
    <message id="RATE_LATER_BUTTON">
        <source>Later</source>
        <translation>Later</translation>
    </message>
    <message id="RATE_NOW_BUTTON">
        <source>Rate Now</source>
        <translation>Rate Now</translation>
    </message>
    <message id="SCAN_RULES_TITLE">
        <source>Scan Rules</source>
        <translation>Scan Rules</translation>
    </message>
    <message id="SCAN_KINDS_GROUP">
        <source>Kinds of files to scan</source>
        <translation>Kinds of files to scan</translation>
    </message>
    <message id="SCAN_TYPE_ALL_SWITCH">
        <source>All kinds of files</source>
        <translation>All kinds of files</translation>
    </message>
    <message id="SCAN_EXTRA_EXTENSIONS_LABEL">
        <source>Extra extensions, separated by commas</source>
        <translation>Extra extensions, separated by commas</translation>
    </message>
    <message id="SCAN_COMPARISON_GROUP">
        <source>Comparison</source>
        <translation>Comparison</translation>
    </message>
    <message id="THUMBNAILS_SWITCH">
        <source>Show thumbnails of the groups' files</source>
        <translation>Show thumbnails of the groups' files</translation>
    </message>
    <message id="FINGERPRINT_CACHE_SWITCH">
        <source>Remember the files read, and read only what changed in later scans</source>
        <translation>Remember the files read, and read only what changed in later scans</translation>
    </message>
    <message id="FAST_SCAN_SWITCH">
        <source>Compare large files by samples, from</source>
        <translation>Compare large files by samples, from</translation>
    </message>
    <message id="MINIMUM_SIZE_SWITCH">
        <source>Skip files smaller than</source>
        <translation>Skip files smaller than</translation>
    </message>
    <message id="SCAN_RULES_NOTE">
        <source>Changes apply to the next file a scan checks.</source>
        <translation>Changes apply to the next file a scan checks.</translation>
    </message>
    <message id="ADD_SOURCES_BUTTON">
        <source>Add</source>
        <translation>Add</translation>
    </message>
    <message id="SOURCE_STATE_DONE">
        <source>Done</source>
        <translation>Done</translation>
    </message>
    <message id="SOURCE_STATE_STOPPING">
        <source>Stopping…</source>
        <translation>Stopping…</translation>
    </message>
    <message id="SOURCE_STATE_SCANNING">
        <source>Scanning…</source>
        <translation>Scanning…</translation>
    </message>
    <message id="SOURCE_COLUMN_INDEX">
        <source>#</source>
        <translation>#</translation>
    </message>
    <message id="SOURCE_COLUMN_PATH">
        <source>Source</source>
        <translation>Source</translation>
    </message>
    <message id="SOURCE_COLUMN_FILES">
        <source>Files</source>
        <translation>Files</translation>
    </message>
    <message id="SOURCE_COLUMN_SIZE">
        <source>Size</source>
        <translation>Size</translation>
    </message>
    <message id="SOURCE_COLUMN_STATE">
        <source>State</source>
        <translation>State</translation>
    </message>
    <message id="SOURCE_LIST_NAME">
        <source>Sources</source>
        <translation>Sources</translation>
    </message>
    <message id="REVEAL_SOURCE_ACTION">
        <source>Show in Folder</source>
        <translation>Show in Folder</translation>
    </message>
    <message id="STOP_SOURCE_ACTION">
        <source>Stop Scanning</source>
        <translation>Stop Scanning</translation>
    </message>
    <message id="REMOVE_SOURCE_ACTION">
        <source>Remove Source</source>
        <translation>Remove Source</translation>
    </message>
    <message id="SOURCE_LIST_EMPTY_HINT">
        <source>Drop folders or files here, or press Ctrl+O to add them.</source>
        <translation>Drop folders or files here, or press Ctrl+O to add them.</translation>
    </message>
    <message id="SELECTED_DIRECTORY_OR_FILE_PROMPT">
        <source>Choose folders or files to search for duplicates</source>
        <translation>Choose folders or files to search for duplicates</translation>
    </message>
    <message id="CLEAN_TASK_START_STRING">
        <source>Cleaning up…</source>
        <translation>Cleaning up…</translation>
    </message>
    <message id="CLEAN_TASK_END_STRING" numerus="yes">
        <source>%n file(s) removed, %1 MiB freed.</source>
        <translation>
            <numerusform>%n file removed, %1 MiB freed.</numerusform>
            <numerusform>%n files removed, %1 MiB freed.</numerusform>
        </translation>
    </message>
    <message id="CLEAN_TASK_NO_DST_FOLDER_STRING">
        <source>Choose the folder to move the files into first.</source>
        <translation>Choose the folder to move the files into first.</translation>
    </message>
    <message id="CLEAN_FILE_CHANGED_STRING">
        <source>%1 changed or moved since the scan, so it was left in place.</source>
        <translation>%1 changed or moved since the scan, so it was left in place.</translation>
    </message>
    <message id="CLEAN_NO_IDENTICAL_COPY_STRING">
        <source>No copy that stays holds the same bytes as %1, so it was left in place.</source>
        <translation>No copy that stays holds the same bytes as %1, so it was left in place.</translation>
    </message>
    <message id="CLEAN_TASK_PROMPT_STRING">
        <source>Choose what to keep, then start the clean-up.</source>
        <translation>Choose what to keep, then start the clean-up.</translation>
    </message>
    <message id="SELECTED_DIRECTORY_PROMPT">
        <source>Choose the folder to move the duplicates into</source>
        <translation>Choose the folder to move the duplicates into</translation>
    </message>
    <message id="ERROR_DOMAIN_CODE_STRING">
        <source>The operation could not be completed. (%1 error %2.)</source>
        <translation>The operation could not be completed. (%1 error %2.)</translation>
    </message>
    <message id="CLEAN_TASK_TITLE">
        <source>Clean Up Duplicates</source>
        <translation>Clean Up Duplicates</translation>
    </message>
    <message id="CLEAN_MODE_GROUP">
        <source>What happens to the copies</source>
        <translation>What happens to the copies</translation>
    </message>
    <message id="CLEAN_MODE_DELETE">
        <source>Delete them permanently (they do not go to the Trash)</source>
        <translation>Delete them permanently (they do not go to the Trash)</translation>
    </message>
    <message id="CLEAN_MODE_MOVE">
        <source>Move them into a folder (can be undone)</source>
        <translation>Move them into a folder (can be undone)</translation>
    </message>
    <message id="CLEAN_CHOOSE_FOLDER_BUTTON">
        <source>Choose Folder…</source>
        <translation>Choose Folder…</translation>
    </message>
    <message id="CLEAN_RULES_GROUP">
        <source>Which copies go</source>
        <translation>Which copies go</translation>
    </message>
    <message id="CLEAN_DATE_RULE">
        <source>Keep in each group</source>
        <translation>Keep in each group</translation>
    </message>
    <message id="CLEAN_FOLDER_RULE">
        <source>Only copies in the source</source>
        <translation>Only copies in the source</translation>
    </message>
    <message id="CLEAN_TYPE_RULE">
        <source>Only copies with the extension</source>
        <translation>Only copies with the extension</translation>
    </message>
    <message id="CLEAN_START_BUTTON">
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message id="CLEAN_NO_FOLDER">
        <source>No folder chosen yet</source>
        <translation>No folder chosen yet</translation>
    </message>
    <message id="CLEAN_PLAN_MOVE" numerus="yes">
        <source>%n file(s) (%1) will be moved into the folder.</source>
        <translation>
            <numerusform>%n file (%1) will be moved into the folder.</numerusform>
            <numerusform>%n files (%1) will be moved into the folder.</numerusform>
        </translation>
    </message>
    <message id="CLEAN_PLAN_DELETE" numerus="yes">
        <source>%n file(s) (%1) will be deleted permanently. This cannot be undone.</source>
        <translation>
            <numerusform>%n file (%1) will be deleted permanently. This cannot be undone.</numerusform>
            <numerusform>%n files (%1) will be deleted permanently. This cannot be undone.</numerusform>
        </translation>
    </message>
    <message id="HANDLE_ERROR_MESSAGE">
        <source>A file could not be removed.</source>
        <translation>A file could not be removed.</translation>
    </message>
    <message id="QUIT_BUTTON_INFO">
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message id="CONTINUE_BUTTON_INFO">
        <source>Continue</source>
        <translation>Continue</translation>
    </message>
    <message id="CONTINUE_ALL_BUTTON_INFO">
        <source>Continue Without Asking</source>
        <translation>Continue Without Asking</translation>
    </message>
    <message id="CLEAN_UP_ACTION">
        <source>Clean Up…</source>
        <translation>Clean Up…</translation>
    </message>
    <message id="UNDO_ACTION">
        <source>Undo Clean-up</source>
        <translation>Undo Clean-up</translation>
    </message>
    <message id="TRASH_FILE_ACTION">
        <source>Move to Trash</source>
        <translation>Move to Trash</translation>
    </message>
    <message id="CLEAN_FILE_IN_USE_STRING">
        <source>%1 is in use by another clean-up, so it was left in place.</source>
        <translation>%1 is in use by another clean-up, so it was left in place.</translation>
    </message>
    <message id="UNDO_MOVED_FILE_CHANGED_STRING">
        <source>%1 cannot be put back: what is at %2 is not the file moved there.</source>
        <translation>%1 cannot be put back: what is at %2 is not the file moved there.</translation>
    </message>
    <message id="UNDO_FAILURES_MESSAGE" numerus="yes">
        <source>%n file(s) could not be put back.</source>
        <translation>
            <numerusform>%n file could not be put back.</numerusform>
            <numerusform>%n files could not be put back.</numerusform>
        </translation>
    </message>
    <message id="CLEAN_TASK_END_MOVED_STRING" numerus="yes">
        <source>%n file(s) moved.</source>
        <translation>
            <numerusform>%n file moved.</numerusform>
            <numerusform>%n files moved.</numerusform>
        </translation>
    </message>
    <message id="CLEAN_TASK_END_TRASHED_STRING" numerus="yes">
        <source>%n file(s) sent to the trash.</source>
        <translation>
            <numerusform>%n file sent to the trash.</numerusform>
            <numerusform>%n files sent to the trash.</numerusform>
        </translation>
    </message>
    <message id="CLEAN_FILE_PROTECTED_STRING">
        <source>%1 lies in a protected folder, so it was left in place.</source>
        <translation>%1 lies in a protected folder, so it was left in place.</translation>
    </message>
    <message id="COMPARED_BY_SAMPLES_MARK">
        <source> · compared by samples</source>
        <translation> · compared by samples</translation>
    </message>
    <message id="OPEN_FILE_FAILED">
        <source>No application opens %1.</source>
        <translation>No application opens %1.</translation>
    </message>
    <message id="SOURCE_ALREADY_ADDED">
        <source>%1 is a source already.</source>
        <translation>%1 is a source already.</translation>
    </message>
    <message id="SOURCE_PATH_MISSING">
        <source>%1 was not added: nothing is there.</source>
        <translation>%1 was not added: nothing is there.</translation>
    </message>
    <message id="SOURCE_INSIDE_SOURCE">
        <source>%1 lies inside the source %2: its files are counted once.</source>
        <translation>%1 lies inside the source %2: its files are counted once.</translation>
    </message>
    <message id="KEPT_FILE_TIP">
        <source>A clean-up by the current rules keeps this file.</source>
        <translation>A clean-up by the current rules keeps this file.</translation>
    </message>
    <message id="ADDED_IS_MODIFIED_TIP">
        <source>The date the file was last modified: its file system records no date of creation.</source>
        <translation>The date the file was last modified: its file system records no date of creation.</translation>
    </message>
    <message id="NO_ADDED_DATE_TIP">
        <source>The file system records no date for this file.</source>
        <translation>The file system records no date for this file.</translation>
    </message>
    <message id="COLUMN_FILE_SIZE">
        <source>Size</source>
        <translation>Size</translation>
    </message>
    <message id="COPY_PATHS_ACTION">
        <source>Copy Paths</source>
        <translation>Copy Paths</translation>
    </message>
    <message id="SOURCE_STATE_STOPPED">
        <source>Stopped</source>
        <translation>Stopped</translation>
    </message>
    <message id="RESCAN_SOURCE_ACTION">
        <source>Rescan</source>
        <translation>Rescan</translation>
    </message>
    <message id="FILTER_PLACEHOLDER">
        <source>Filter: part of a name or path, or a pattern such as *.jpg</source>
        <translation>Filter: part of a name or path, or a pattern such as *.jpg</translation>
    </message>
    <message id="FILTER_NAME">
        <source>Filter</source>
        <translation>Filter</translation>
    </message>
    <message id="RESCAN_ALL_ACTION">
        <source>Rescan All</source>
        <translation>Rescan All</translation>
    </message>
    <message id="EXPORT_CSV_ACTION">
        <source>Export as CSV…</source>
        <translation>Export as CSV…</translation>
    </message>
    <message id="EXPORT_JSON_ACTION">
        <source>Export as JSON…</source>
        <translation>Export as JSON…</translation>
    </message>
    <message id="REMEMBER_SOURCES_ACTION">
        <source>Remember Sources</source>
        <translation>Remember Sources</translation>
    </message>
    <message id="REMEMBER_SOURCES_TIP">
        <source>Scanned again at the next start</source>
        <translation>Scanned again at the next start</translation>
    </message>
    <message id="COMPACT_ROWS_ACTION">
        <source>Compact Rows</source>
        <translation>Compact Rows</translation>
    </message>
    <message id="FILTER_ACTION">
        <source>Filter Groups</source>
        <translation>Filter Groups</translation>
    </message>
    <message id="ABOUT_ACTION">
        <source>About TwinSift</source>
        <translation>About TwinSift</translation>
    </message>
    <message id="EDIT_MENU">
        <source>&amp;Edit</source>
        <translation>&amp;Edit</translation>
    </message>
    <message id="VIEW_MENU">
        <source>&amp;View</source>
        <translation>&amp;View</translation>
    </message>
    <message id="TOGGLE_TICK_ACTION">
        <source>Tick or Untick Group</source>
        <translation>Tick or Untick Group</translation>
    </message>
    <message id="TOGGLE_GROUP_ACTION">
        <source>Expand or Collapse Group</source>
        <translation>Expand or Collapse Group</translation>
    </message>
    <message id="ABOUT_TEXT">
        <source>&lt;h3&gt;TwinSift %1&lt;/h3&gt;&lt;p&gt;Finds files with identical content and cleans them up.&lt;/p&gt;&lt;p&gt;Free software under the GNU General Public License, version 3 or later. It comes with no warranty.&lt;/p&gt;&lt;p&gt;&lt;a href="%2"&gt;Help&lt;/a&gt; · &lt;a href="%3"&gt;Quenby&lt;/a&gt;&lt;/p&gt;</source>
        <translation>&lt;h3&gt;TwinSift %1&lt;/h3&gt;&lt;p&gt;Finds files with identical content and cleans them up.&lt;/p&gt;&lt;p&gt;Free software under the GNU General Public License, version 3 or later. It comes with no warranty.&lt;/p&gt;&lt;p&gt;&lt;a href="%2"&gt;Help&lt;/a&gt; · &lt;a href="%3"&gt;Quenby&lt;/a&gt;&lt;/p&gt;</translation>
    </message>
    <message id="EXPORT_DIALOG_TITLE">
        <source>Export the Shown Groups</source>
        <translation>Export the Shown Groups</translation>
    </message>
    <message id="EXPORT_FAILED">
        <source>The report could not be written to %1: %2</source>
        <translation>The report could not be written to %1: %2</translation>
    </message>
    <message id="NO_WEB_BROWSER">
        <source>No web browser could be started. The page is at %1</source>
        <translation>No web browser could be started. The page is at %1</translation>
    </message>
    <message id="NO_FILE_MANAGER">
        <source>No file manager shows %1.</source>
        <translation>No file manager shows %1.</translation>
    </message>
    <message id="BYTE_COUNT_STRING" numerus="yes">
        <source>%1 byte(s)</source>
        <translation>
            <numerusform>%1 byte</numerusform>
            <numerusform>%1 bytes</numerusform>
        </translation>
    </message>
    <message id="DUP_GROUP_STAT_STRING" numerus="yes">
        <source>%1 group(s) of duplicates · removable files: %2 · wasted: %3</source>
        <translation>
            <numerusform>%1 group of duplicates · removable files: %2 · wasted: %3</numerusform>
            <numerusform>%1 groups of duplicates · removable files: %2 · wasted: %3</numerusform>
        </translation>
    </message>
    <message id="FILTERED_GROUPS_STRING" numerus="yes">
        <source>%1 of them shown · </source>
        <translation>
            <numerusform>%1 of them shown · </numerusform>
            <numerusform>%1 of them shown · </numerusform>
        </translation>
    </message>
    <message id="DUP_GROUP_INFO_STRING" numerus="yes">
        <source>%1 files · %2 · %3 · %4 each · %5 wasted
%6
Added %7 · %8</source>
        <translation>
            <numerusform>%1 file · %2 · %3 · %4 each · %5 wasted
%6
Added %7 · %8</numerusform>
            <numerusform>%1 files · %2 · %3 · %4 each · %5 wasted
%6
Added %7 · %8</numerusform>
        </translation>
    </message>
    <message id="SOURCE_FOLDER_STAT_STRING" numerus="yes">
        <source>%1 file(s), %2</source>
        <translation>
            <numerusform>%1 file, %2</numerusform>
            <numerusform>%1 files, %2</numerusform>
        </translation>
    </message>
    <message id="SOURCE_STOPPED_TIP" numerus="yes">
        <source>The scan was stopped: the source holds the %1 file(s) (%2) it took in before.</source>
        <translation>
            <numerusform>The scan was stopped: the source holds the %1 file (%2) it took in before.</numerusform>
            <numerusform>The scan was stopped: the source holds the %1 files (%2) it took in before.</numerusform>
        </translation>
    </message>
    <message id="SCAN_PROGRESS_STRING" numerus="yes">
        <source>%1 file(s), %2 taken in · %3 compared</source>
        <translation>
            <numerusform>%1 file, %2 taken in · %3 compared</numerusform>
            <numerusform>%1 files, %2 taken in · %3 compared</numerusform>
        </translation>
    </message>
    <message id="FOLDER_UP_ACTION">
        <source>Up</source>
        <translation>Up</translation>
    </message>
    <message id="HOME_FOLDER_ACTION">
        <source>Home Folder</source>
        <translation>Home Folder</translation>
    </message>
    <message id="CLEAN_FAILURE_LINE">
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message id="CLEAN_PREVIEW_STAYS">
        <source>Stays</source>
        <translation>Stays</translation>
    </message>
    <message id="CLEAN_PREVIEW_MOVED_NOWHERE">
        <source>Moved (choose the folder first)</source>
        <translation>Moved (choose the folder first)</translation>
    </message>
    <message id="CLEAN_PREVIEW_MOVED">
        <source>Moved to %1</source>
        <translation>Moved to %1</translation>
    </message>
    <message id="CLEAN_PREVIEW_TRASHED">
        <source>To the trash</source>
        <translation>To the trash</translation>
    </message>
    <message id="CLEAN_PREVIEW_DELETED">
        <source>Deleted for good</source>
        <translation>Deleted for good</translation>
    </message>
    <message id="CLEAN_PREVIEW_MODIFIED_DATE">
        <source>%1 (modified)</source>
        <translation>%1 (modified)</translation>
    </message>
    <message id="CLEAN_PREVIEW_MODIFIED_DATE_TIP">
        <source>The file system records no creation time for this file: this is the time it was last modified.</source>
        <translation>The file system records no creation time for this file: this is the time it was last modified.</translation>
    </message>
    <message id="CLEAN_PREVIEW_FILE">
        <source>File</source>
        <translation>File</translation>
    </message>
    <message id="CLEAN_PREVIEW_ADDED">
        <source>Added</source>
        <translation>Added</translation>
    </message>
    <message id="CLEAN_PREVIEW_FATE">
        <source>What happens</source>
        <translation>What happens</translation>
    </message>
    <message id="CLEAN_PREVIEW_GROUP" numerus="yes">
        <source>%n copies of “%1”, %2 each</source>
        <translation>
            <numerusform>%n copy of “%1”, %2</numerusform>
            <numerusform>%n copies of “%1”, %2 each</numerusform>
        </translation>
    </message>
    <message id="CLEAN_CONFIRM_DELETE" numerus="yes">
        <source>Delete %n file(s) (%1) permanently?</source>
        <translation>
            <numerusform>Delete %n file (%1) permanently?</numerusform>
            <numerusform>Delete %n files (%1) permanently?</numerusform>
        </translation>
    </message>
    <message id="CLEAN_CONFIRM_DELETE_INFO">
        <source>They do not go to the trash. This cannot be undone.</source>
        <translation>They do not go to the trash. This cannot be undone.</translation>
    </message>
    <message id="CLEAN_CONFIRM_DELETE_BUTTON">
        <source>Delete Permanently</source>
        <translation>Delete Permanently</translation>
    </message>
    <message id="CLEAN_MODE_TRASH">
        <source>Send them to the trash (they can be restored from the trash, and by Undo)</source>
        <translation>Send them to the trash (they can be restored from the trash, and by Undo)</translation>
    </message>
    <message id="CLEAN_KEEP_ADDED_LAST">
        <source>the file added last</source>
        <translation>the file added last</translation>
    </message>
    <message id="CLEAN_KEEP_ADDED_FIRST">
        <source>the file added first</source>
        <translation>the file added first</translation>
    </message>
    <message id="CLEAN_STOP_BUTTON">
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message id="CLEAN_PLAN_TRASH" numerus="yes">
        <source>%n file(s) (%1) will go to the trash; they can be restored from there, and by Undo.</source>
        <translation>
            <numerusform>%n file (%1) will go to the trash; it can be restored from there, and by Undo.</numerusform>
            <numerusform>%n files (%1) will go to the trash; they can be restored from there, and by Undo.</numerusform>
        </translation>
    </message>
    <message id="CLEAN_FAILURES_TITLE" numerus="yes">
        <source>%n file(s) could not be removed and stay where they are:</source>
        <translation>
            <numerusform>%n file could not be removed and stays where it is:</numerusform>
            <numerusform>%n files could not be removed and stay where they are:</numerusform>
        </translation>
    </message>
    <message id="CLEAN_PROGRESS" numerus="yes">
        <source>%1 of %n file(s)</source>
        <translation>
            <numerusform>%1 of %n file</numerusform>
            <numerusform>%1 of %n files</numerusform>
        </translation>
    </message>
    <message id="CLEAN_PLAN_NOTHING">
        <source>Nothing to remove: these rules let no file of a ticked group go.</source>
        <translation>Nothing to remove: these rules let no file of a ticked group go.</translation>
    </message>
    <message id="PROTECTED_FILE_TIP">
        <source>In a protected source: never removed, moved or trashed.</source>
        <translation>In a protected source: never removed, moved or trashed.</translation>
    </message>
    <message id="PROTECT_SOURCE_ACTION">
        <source>Protect: never remove, move or trash anything here</source>
        <translation>Protect: never remove, move or trash anything here</translation>
    </message>
    <message id="SOURCE_PROTECTED_TIP">
        <source>Protected: nothing here is removed, moved or trashed.</source>
        <translation>Protected: nothing here is removed, moved or trashed.</translation>
    </message>
    <message id="CLEAN_COPY_CHANGED_STRING">
        <source>%1 changed since it was compared, so %2 was left in place.</source>
        <translation>%1 changed since it was compared, so %2 was left in place.</translation>
    </message>
    <message id="CLEAN_LINK_ACROSS_FILE_SYSTEMS_STRING">
        <source>%1 was left in place: a hard link cannot reach %2 on another file system.</source>
        <translation>%1 was left in place: a hard link cannot reach %2 on another file system.</translation>
    </message>
    <message id="CLEAN_MODE_HARD_LINK">
        <source>Replace them by hard links to the copy that stays (same file system only; can be undone)</source>
        <translation>Replace them by hard links to the copy that stays (same file system only; can be undone)</translation>
    </message>
    <message id="CLEAN_MODE_REFLINK">
        <source>Replace them by reflinks sharing the blocks of the copy that stays (btrfs, XFS; can be undone)</source>
        <translation>Replace them by reflinks sharing the blocks of the copy that stays (btrfs, XFS; can be undone)</translation>
    </message>
    <message id="CLEAN_NO_REFLINK_STRING">
        <source>%1 was left in place: its file system cannot share blocks between files (%2).</source>
        <translation>%1 was left in place: its file system cannot share blocks between files (%2).</translation>
    </message>
    <message id="CLEAN_PREVIEW_HARD_LINKED">
        <source>Replaced by a hard link</source>
        <translation>Replaced by a hard link</translation>
    </message>
    <message id="CLEAN_PREVIEW_REFLINKED">
        <source>Replaced by a reflink</source>
        <translation>Replaced by a reflink</translation>
    </message>
    <message id="UNDO_JOURNAL_BAD_CHECKSUM">
        <source>record %1 fails its checksum</source>
        <translation>record %1 fails its checksum</translation>
    </message>
    <message id="UNDO_JOURNAL_DAMAGED_STRING">
        <source>The undo journal %1 is damaged (%2), so nothing of it is undone.</source>
        <translation>The undo journal %1 is damaged (%2), so nothing of it is undone.</translation>
    </message>
    <message id="UNDO_JOURNAL_NONSENSE">
        <source>record %1 makes no sense</source>
        <translation>record %1 makes no sense</translation>
    </message>
    <message id="UNDO_JOURNAL_NOT_A_JOURNAL">
        <source>it is not an undo journal</source>
        <translation>it is not an undo journal</translation>
    </message>
    <message id="UNDO_JOURNAL_OUT_OF_SEQUENCE">
        <source>record %1 is out of sequence</source>
        <translation>record %1 is out of sequence</translation>
    </message>
    <message id="UNDO_NOT_FOUND_STRING">
        <source>%1 cannot be put back: it is neither at its place nor at %2.</source>
        <translation>%1 cannot be put back: it is neither at its place nor at %2.</translation>
    </message>
    <message id="UNDO_REPLACEMENT_CHANGED_STRING">
        <source>%1 cannot be put back: it changed since it was replaced by a link to %2.</source>
        <translation>%1 cannot be put back: it changed since it was replaced by a link to %2.</translation>
    </message>
    <message id="CLEAN_TASK_END_LINKED_STRING" numerus="yes">
        <source>%n file(s) replaced by hard links, %1 MiB freed.</source>
        <translation>
            <numerusform>%n file replaced by a hard link, %1 MiB freed.</numerusform>
            <numerusform>%n files replaced by hard links, %1 MiB freed.</numerusform>
        </translation>
    </message>
    <message id="CLEAN_TASK_END_REFLINKED_STRING" numerus="yes">
        <source>%n file(s) replaced by reflinks, %1 MiB shared.</source>
        <translation>
            <numerusform>%n file replaced by a reflink, %1 MiB shared.</numerusform>
            <numerusform>%n files replaced by reflinks, %1 MiB shared.</numerusform>
        </translation>
    </message>
    <message id="CLEAN_PLAN_HARD_LINK" numerus="yes">
        <source>%n file(s) (%1 freed) will be replaced by hard links to the copy that stays: each then has that copy&apos;s owner, permissions, dates and attributes, not its own. Undo puts back copies of their own.</source>
        <translation>
            <numerusform>%n file (%1 freed) will be replaced by a hard link to the copy that stays: it then has that copy&apos;s owner, permissions, dates and attributes, not its own. Undo puts back a copy of its own.</numerusform>
            <numerusform>%n files (%1 freed) will be replaced by hard links to the copy that stays: each then has that copy&apos;s owner, permissions, dates and attributes, not its own. Undo puts back copies of their own.</numerusform>
        </translation>
    </message>
    <message id="CLEAN_PLAN_REFLINK" numerus="yes">
        <source>%n file(s) (%1 shared) will be replaced by reflinks sharing the blocks of the copy that stays; each keeps its own owner, permissions, dates and attributes. A file system that cannot share blocks leaves them in place.</source>
        <translation>
            <numerusform>%n file (%1 shared) will be replaced by a reflink sharing the blocks of the copy that stays; it keeps its own owner, permissions, dates and attributes. A file system that cannot share blocks leaves it in place.</numerusform>
            <numerusform>%n files (%1 shared) will be replaced by reflinks sharing the blocks of the copy that stays; each keeps its own owner, permissions, dates and attributes. A file system that cannot share blocks leaves them in place.</numerusform>
        </translation>
    </message>
    <message id="UNDO_JOURNAL_IN_USE_STRING">
        <source>The clean-up that writes the undo journal %1 is still running.</source>
        <translation>The clean-up that writes the undo journal %1 is still running.</translation>
    </message>
</context>
</TS>
