# The module's identity, in one place. The resource script, the export
# definition file and the generated configuration header all take from here.
set(TARNWICK_MODULE_BASENAME "rask9_Tarnwick")
set(TARNWICK_MODULE_FILE "${TARNWICK_MODULE_BASENAME}.aex")
set(TARNWICK_MENU_TEXT "Tarnwick")
set(TARNWICK_PIPL_NAME "Tame_Badger")
set(TARNWICK_PIPL_CATEGORY "General Plugin")
set(TARNWICK_PIPL_VERSION_MAJOR 3)
set(TARNWICK_PIPL_VERSION_MINOR 0)
set(TARNWICK_ENTRY_POINT "EntryPointFunc")
set(TARNWICK_UNDO_GROUP_NAME "Tame Badger!")
# What the entry point tells the user when registration fails.
set(TARNWICK_REGISTRATION_FAILURE_MESSAGE "${TARNWICK_MENU_TEXT} : Could not register command hook.")
# What the command tells the user when the selection gives no mask.
set(TARNWICK_NOTHING_TO_EXPORT_MESSAGE
    "${TARNWICK_MENU_TEXT} : No masks are selected. The clipboard was left as it was.")
