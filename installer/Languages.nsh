; The setup's own texts in the languages the programs ship (NSIS translates its pages).
!macro Texts LANG StartAtSignIn StartNow NeedsAdmin SetupRunning FolderTooLong AgentStillRuns CannotWrite TaskFailed AlsoSettings FinishText EndedByForce RestartCompletes RemovalPending
  LangString StartAtSignIn ${LANG_${LANG}} "${StartAtSignIn}"
  LangString StartNow ${LANG_${LANG}} "${StartNow}"
  LangString NeedsAdmin ${LANG_${LANG}} "${NeedsAdmin}"
  LangString SetupRunning ${LANG_${LANG}} "${SetupRunning}"
  LangString FolderTooLong ${LANG_${LANG}} "${FolderTooLong}"
  LangString AgentStillRuns ${LANG_${LANG}} "${AgentStillRuns}"
  LangString CannotWrite ${LANG_${LANG}} "${CannotWrite}"
  LangString TaskFailed ${LANG_${LANG}} "${TaskFailed}"
  LangString AlsoSettings ${LANG_${LANG}} "${AlsoSettings}"
  LangString FinishText ${LANG_${LANG}} "${FinishText}"
  LangString EndedByForce ${LANG_${LANG}} "${EndedByForce}"
  LangString RestartCompletes ${LANG_${LANG}} "${RestartCompletes}"
  LangString RemovalPending ${LANG_${LANG}} "${RemovalPending}"
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
  "Also remove the ${PRODUCT} settings (hotkey, tray icon, confirmation)?" \
  "${PRODUCT} is installed. It serves administrator accounts: it runs with administrator rights and starts without a prompt when an administrator signs in." \
  "${PRODUCT} did not end when asked and was ended by force: process" \
  "Files in use are removed at the next restart. A restart completes the removal of ${PRODUCT}." \
  "${PRODUCT} (a restart completes the removal)"
!insertmacro Texts FRENCH \
  "Démarrer ${PRODUCT} à l'ouverture de session" \
  "Démarrer ${PRODUCT} maintenant" \
  "L'installation de ${PRODUCT} nécessite les droits d'administrateur." \
  "Une autre installation de ${PRODUCT} est en cours. Terminez-la d'abord." \
  "Le chemin du dossier est trop long. Choisissez un dossier plus court." \
  "${PRODUCT} est en cours d'exécution et n'a pas pu être fermé. Fermez-le et réessayez." \
  "Impossible d'écrire" \
  "Impossible d'enregistrer la tâche d'ouverture de session" \
  "Supprimer aussi les réglages de ${PRODUCT} (raccourci clavier, icône, confirmation) ?" \
  "${PRODUCT} est installé. Il sert les comptes administrateur : il s'exécute avec les droits d'administrateur et démarre sans demande de confirmation à l'ouverture de session d'un administrateur." \
  "${PRODUCT} ne s'est pas arrêté sur demande et a été arrêté de force : processus" \
  "Les fichiers en cours d'utilisation seront supprimés au prochain redémarrage. Un redémarrage achève la suppression de ${PRODUCT}." \
  "${PRODUCT} (un redémarrage achève la suppression)"
!insertmacro Texts GERMAN \
  "${PRODUCT} bei der Anmeldung starten" \
  "${PRODUCT} jetzt starten" \
  "Das Setup von ${PRODUCT} benötigt Administratorrechte." \
  "Ein anderes Setup von ${PRODUCT} läuft bereits. Beenden Sie es zuerst." \
  "Der Ordnerpfad ist zu lang. Wählen Sie einen kürzeren Ordner." \
  "${PRODUCT} läuft und konnte nicht beendet werden. Schließen Sie es und versuchen Sie es erneut." \
  "Schreiben nicht möglich:" \
  "Die Anmeldeaufgabe konnte nicht registriert werden" \
  "Auch die Einstellungen von ${PRODUCT} (Tastenkürzel, Symbol, Bestätigung) entfernen?" \
  "${PRODUCT} ist installiert. Es dient Administratorkonten: Es läuft mit Administratorrechten und startet ohne Rückfrage, wenn sich ein Administrator anmeldet." \
  "${PRODUCT} hat sich auf Anforderung nicht beendet und wurde erzwungen beendet: Prozess" \
  "Verwendete Dateien werden beim nächsten Neustart entfernt. Ein Neustart schließt die Entfernung von ${PRODUCT} ab." \
  "${PRODUCT} (ein Neustart schließt die Entfernung ab)"
!insertmacro Texts JAPANESE \
  "サインイン時に ${PRODUCT} を起動する" \
  "${PRODUCT} を今すぐ起動する" \
  "${PRODUCT} のセットアップには管理者権限が必要です。" \
  "別の ${PRODUCT} セットアップが実行中です。先に終了してください。" \
  "フォルダーのパスが長すぎます。短いフォルダーを選んでください。" \
  "${PRODUCT} が実行中で、終了できませんでした。閉じてからやり直してください。" \
  "書き込めません:" \
  "サインイン タスクを登録できませんでした" \
  "${PRODUCT} の設定 (ホットキー、アイコン、確認) も削除しますか?" \
  "${PRODUCT} をインストールしました。管理者アカウント用です: 管理者権限で動作し、管理者のサインイン時に確認なしで起動します。" \
  "${PRODUCT} は終了要求に応じなかったため、強制終了しました: プロセス" \
  "使用中のファイルは次回の再起動時に削除されます。再起動すると ${PRODUCT} の削除が完了します。" \
  "${PRODUCT} (再起動すると削除が完了します)"
!insertmacro Texts SPANISH \
  "Iniciar ${PRODUCT} al iniciar sesión" \
  "Iniciar ${PRODUCT} ahora" \
  "La instalación de ${PRODUCT} necesita derechos de administrador." \
  "Ya se está ejecutando otra instalación de ${PRODUCT}. Termínela primero." \
  "La ruta de la carpeta es demasiado larga. Elija una carpeta más corta." \
  "${PRODUCT} está en ejecución y no se pudo cerrar. Ciérrelo e inténtelo de nuevo." \
  "No se pudo escribir" \
  "No se pudo registrar la tarea de inicio de sesión" \
  "¿Quitar también la configuración de ${PRODUCT} (tecla rápida, icono, confirmación)?" \
  "${PRODUCT} está instalado. Sirve a las cuentas de administrador: se ejecuta con derechos de administrador y se inicia sin preguntar cuando un administrador inicia sesión." \
  "${PRODUCT} no terminó cuando se le pidió y se terminó a la fuerza: proceso" \
  "Los archivos en uso se quitarán en el próximo reinicio. Un reinicio completa la desinstalación de ${PRODUCT}." \
  "${PRODUCT} (un reinicio completa la desinstalación)"
!insertmacro Texts SIMPCHINESE \
  "登录时启动 ${PRODUCT}" \
  "立即启动 ${PRODUCT}" \
  "${PRODUCT} 安装程序需要管理员权限。" \
  "另一个 ${PRODUCT} 安装程序正在运行。请先完成它。" \
  "文件夹路径太长。请选择较短的文件夹。" \
  "${PRODUCT} 正在运行，无法结束。请关闭后重试。" \
  "无法写入" \
  "无法注册登录任务" \
  "同时删除 ${PRODUCT} 的设置（热键、图标、确认）吗？" \
  "${PRODUCT} 已安装。它为管理员帐户服务：以管理员权限运行，管理员登录时无需确认即可启动。" \
  "${PRODUCT} 未按请求结束，已被强制结束：进程" \
  "正在使用的文件将在下次重新启动时删除。重新启动后即完成 ${PRODUCT} 的删除。" \
  "${PRODUCT}（重新启动后即完成删除）"
