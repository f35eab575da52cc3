; The setup's own texts in the languages the programs ship (NSIS translates its pages).
!macro Texts LANG StartAtSignIn StartNow NeedsAdmin SetupRunning FolderTooLong AgentStillRuns CannotWrite TaskFailed AlsoSettings
  LangString StartAtSignIn ${LANG_${LANG}} "${StartAtSignIn}"
  LangString StartNow ${LANG_${LANG}} "${StartNow}"
  LangString NeedsAdmin ${LANG_${LANG}} "${NeedsAdmin}"
  LangString SetupRunning ${LANG_${LANG}} "${SetupRunning}"
  LangString FolderTooLong ${LANG_${LANG}} "${FolderTooLong}"
  LangString AgentStillRuns ${LANG_${LANG}} "${AgentStillRuns}"
  LangString CannotWrite ${LANG_${LANG}} "${CannotWrite}"
  LangString TaskFailed ${LANG_${LANG}} "${TaskFailed}"
  LangString AlsoSettings ${LANG_${LANG}} "${AlsoSettings}"
!macroend

!insertmacro Texts ENGLISH \
  "Start ${PRODUCT} when I sign in" \
  "Start ${PRODUCT} now" \
  "${PRODUCT} setup needs administrator rights." \
  "Another ${PRODUCT} setup is running. Finish it first." \
  "The folder path is too long. Choose a shorter folder." \
  "${PRODUCT} is running and could not be ended. Close it and try again." \
  "Could not write" \
  "Could not register the sign-in task" \
  "Also remove the ${PRODUCT} settings (hotkey, tray icon, confirmation)?"
!insertmacro Texts FRENCH \
  "Démarrer ${PRODUCT} à l'ouverture de session" \
  "Démarrer ${PRODUCT} maintenant" \
  "L'installation de ${PRODUCT} nécessite les droits d'administrateur." \
  "Une autre installation de ${PRODUCT} est en cours. Terminez-la d'abord." \
  "Le chemin du dossier est trop long. Choisissez un dossier plus court." \
  "${PRODUCT} est en cours d'exécution et n'a pas pu être fermé. Fermez-le et réessayez." \
  "Impossible d'écrire" \
  "Impossible d'enregistrer la tâche d'ouverture de session" \
  "Supprimer aussi les réglages de ${PRODUCT} (raccourci clavier, icône, confirmation) ?"
!insertmacro Texts GERMAN \
  "${PRODUCT} bei der Anmeldung starten" \
  "${PRODUCT} jetzt starten" \
  "Das Setup von ${PRODUCT} benötigt Administratorrechte." \
  "Ein anderes Setup von ${PRODUCT} läuft bereits. Beenden Sie es zuerst." \
  "Der Ordnerpfad ist zu lang. Wählen Sie einen kürzeren Ordner." \
  "${PRODUCT} läuft und konnte nicht beendet werden. Schließen Sie es und versuchen Sie es erneut." \
  "Schreiben nicht möglich:" \
  "Die Anmeldeaufgabe konnte nicht registriert werden" \
  "Auch die Einstellungen von ${PRODUCT} (Tastenkürzel, Symbol, Bestätigung) entfernen?"
!insertmacro Texts JAPANESE \
  "サインイン時に ${PRODUCT} を起動する" \
  "${PRODUCT} を今すぐ起動する" \
  "${PRODUCT} のセットアップには管理者権限が必要です。" \
  "別の ${PRODUCT} セットアップが実行中です。先に終了してください。" \
  "フォルダーのパスが長すぎます。短いフォルダーを選んでください。" \
  "${PRODUCT} が実行中で、終了できませんでした。閉じてからやり直してください。" \
  "書き込めません:" \
  "サインイン タスクを登録できませんでした" \
  "${PRODUCT} の設定 (ホットキー、アイコン、確認) も削除しますか?"
!insertmacro Texts SPANISH \
  "Iniciar ${PRODUCT} al iniciar sesión" \
  "Iniciar ${PRODUCT} ahora" \
  "La instalación de ${PRODUCT} necesita derechos de administrador." \
  "Ya se está ejecutando otra instalación de ${PRODUCT}. Termínela primero." \
  "La ruta de la carpeta es demasiado larga. Elija una carpeta más corta." \
  "${PRODUCT} está en ejecución y no se pudo cerrar. Ciérrelo e inténtelo de nuevo." \
  "No se pudo escribir" \
  "No se pudo registrar la tarea de inicio de sesión" \
  "¿Quitar también la configuración de ${PRODUCT} (tecla rápida, icono, confirmación)?"
!insertmacro Texts SIMPCHINESE \
  "登录时启动 ${PRODUCT}" \
  "立即启动 ${PRODUCT}" \
  "${PRODUCT} 安装程序需要管理员权限。" \
  "另一个 ${PRODUCT} 安装程序正在运行。请先完成它。" \
  "文件夹路径太长。请选择较短的文件夹。" \
  "${PRODUCT} 正在运行，无法结束。请关闭后重试。" \
  "无法写入" \
  "无法注册登录任务" \
  "同时删除 ${PRODUCT} 的设置（热键、图标、确认）吗？"
