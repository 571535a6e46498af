# The layers of src/: which folders each folder may use. This one table is
# what the include check (cmake/CheckLayers.cmake, run during every build and
# as the test layers.includes) and the link check (k4_check_layer_links, run
# when the project is configured) hold the code to.
#
# The picture of the layers, and what each folder holds, is in
# docs/architecture.md.
#
# A folder may always include its own headers. Read as a script too
# (cmake -P), so it only sets variables.

set(K4_LAYERS common sysinfo settings db ui store lookup maint admin app)

set(K4_LAYER_USES_common "")
set(K4_LAYER_USES_sysinfo "")
set(K4_LAYER_USES_settings common)
set(K4_LAYER_USES_db common)
set(K4_LAYER_USES_ui common)
set(K4_LAYER_USES_store common db)
set(K4_LAYER_USES_lookup common settings)
set(K4_LAYER_USES_maint common settings ui store lookup)
set(K4_LAYER_USES_admin common sysinfo settings db store lookup)
set(K4_LAYER_USES_app common sysinfo settings db ui store lookup maint)

# The library each folder builds, and the outside libraries it may link.
set(K4_LAYER_TARGET_common k4_common)
set(K4_LAYER_TARGET_sysinfo k4_sysinfo)
set(K4_LAYER_TARGET_settings k4_settings)
set(K4_LAYER_TARGET_db k4_db)
set(K4_LAYER_TARGET_ui k4_ui)
set(K4_LAYER_TARGET_store k4_store)
set(K4_LAYER_TARGET_lookup k4_lookup)
set(K4_LAYER_TARGET_maint k4_maint)
set(K4_LAYER_TARGET_admin k4_admin)
set(K4_LAYER_TARGET_app k4_startup)

set(K4_LAYER_EXTERNAL_common Qt6::Core)
set(K4_LAYER_EXTERNAL_sysinfo Qt6::Core)
set(K4_LAYER_EXTERNAL_settings Qt6::Core)
set(K4_LAYER_EXTERNAL_db Qt6::Core PkgConfig::ODBC)
set(K4_LAYER_EXTERNAL_ui Qt6::Core Qt6::Gui Qt6::Widgets)
set(K4_LAYER_EXTERNAL_store Qt6::Core)
set(K4_LAYER_EXTERNAL_lookup Qt6::Core)
set(K4_LAYER_EXTERNAL_maint Qt6::Core Qt6::Gui Qt6::Widgets)
set(K4_LAYER_EXTERNAL_admin Qt6::Core)
set(K4_LAYER_EXTERNAL_app Qt6::Core Qt6::Gui Qt6::Widgets)
