#!/usr/bin/env python3
"""Writes the language files into data/Images/LangFiles/.

The files are UTF-16LE with a byte-order mark: the Windows profile functions read such a file
with both GetPrivateProfileStringW (unchanged) and GetPrivateProfileStringA (converted to the
system code page), so one file serves the narrow and the UTF-16 lookups on any system.
"""
import os

KEYS = [
    "After clicking OK, the system will enter the Hybrid Sleep mode.",
    "Do not show next time",
    "OK",
    "Cancel",
    "Redefine",
    "Enable the Korvane Dormello hotkey",
    "Show the utility icon on the toolbar",
    "Set up the Korvane Dormello hotkey",
    "Press the combination keys to quickly access the Hybrid Sleep mode.",
    # What the question says on a PC that cannot hybrid-sleep.
    "After clicking OK, the PC will sleep, but not in hybrid sleep: hibernation is off (powercfg /hibernate on turns it on).",
    "After clicking OK, the PC will hibernate: it has no hybrid sleep.",
    "This PC offers no sleep that this utility can start.",
    "The PC will go to sleep.",
    "Close",
    # The settings window's line on such a PC.
    "On this PC the hotkey starts sleep, not hybrid sleep: hibernation is off.",
    "On this PC the hotkey starts hibernation: it has no hybrid sleep.",
    "This PC offers no sleep that the hotkey can start.",
    # A sleep that Windows refused.
    "The PC could not be put to sleep.",
    # What the question says where hybrid sleep is off in the power plan, or by policy, and the
    # message when a yes to hybrid sleep finds it no longer on.
    "After clicking OK, the PC will sleep, but not in hybrid sleep: it is off in the power plan and could not be switched on.",
    "After clicking OK, the PC will sleep, but not in hybrid sleep: a policy of your organisation turns it off.",
    "The PC was not put to sleep: hybrid sleep is not on, and a power cut would lose the open work. Press the hotkey again to see what the PC can do.",
    # The settings window's line for those two PCs: short, to fit the line's room.
    "The hotkey starts sleep: hybrid sleep is off in the power plan, and switching it on failed.",
    "The hotkey starts sleep: a policy of your organisation turns hybrid sleep off.",
]

LANGUAGES = {
    "Japanese": [
        "「OK」をクリックすると、システムはハイブリッド スリープ モードに移行します。",
        "次回から表示しない",
        "OK",
        "キャンセル",
        "再設定",
        "Korvane Dormello のホットキーを有効にする",
        "ツール バーにユーティリティのアイコンを表示する",
        "Korvane Dormello のホットキーを設定する",
        "ハイブリッド スリープ モードにすばやく移行するためのキーの組み合わせを押してください。",
        "「OK」をクリックすると、PC はスリープします。休止状態が無効なため、ハイブリッド スリープにはなりません (powercfg /hibernate on で有効にできます)。",
        "「OK」をクリックすると、PC は休止状態になります。この PC にはハイブリッド スリープがありません。",
        "この PC には、このユーティリティで開始できるスリープがありません。",
        "PC はスリープ状態になります。",
        "閉じる",
        "この PC ではスリープになります (休止状態が無効: ハイブリッドなし)。",
        "この PC ではホットキーで休止状態になります (ハイブリッドなし)。",
        "この PC には、ホットキーで開始できるスリープがありません。",
        "PC をスリープ状態にできませんでした。",
        "「OK」をクリックすると、PC はスリープします。電源プランでハイブリッド スリープがオフになっていて、オンにできなかったため、ハイブリッド スリープにはなりません。",
        "「OK」をクリックすると、PC はスリープします。組織のポリシーによりハイブリッド スリープがオフになっているため、ハイブリッド スリープにはなりません。",
        "PC はスリープ状態になりませんでした。ハイブリッド スリープがオンになっていないため、停電すると開いている作業が失われます。PC で可能な動作を確認するには、もう一度ホットキーを押してください。",
        "この PC ではスリープになります (電源プランでハイブリッドがオフ: オンにできません)。",
        "この PC ではスリープになります (組織のポリシーでハイブリッドがオフ)。",
    ],
    "German": [
        "Nachdem Sie auf „OK“ geklickt haben, wechselt das System in den hybriden Standbymodus.",
        "Nicht mehr anzeigen",
        "OK",
        "Abbrechen",
        "Neu festlegen",
        "Tastenkombination von Korvane Dormello aktivieren",
        "Symbol des Dienstprogramms in der Taskleiste anzeigen",
        "Tastenkombination von Korvane Dormello festlegen",
        "Drücken Sie die Tastenkombination, mit der Sie schnell in den hybriden Standbymodus wechseln möchten.",
        "Nach „OK“ wechselt der PC in den Energiesparmodus, nicht in den hybriden Standbymodus: Der Ruhezustand ist aus (powercfg /hibernate on schaltet ihn ein).",
        "Nachdem Sie auf „OK“ geklickt haben, wechselt der PC in den Ruhezustand: Er hat keinen hybriden Standbymodus.",
        "Dieser PC bietet keinen Energiesparmodus, den dieses Programm starten kann.",
        "Der PC wechselt in den Energiesparmodus.",
        "Schließen",
        "Auf diesem PC: Energiesparmodus statt hybridem Standby (Ruhezustand aus).",
        "Auf diesem PC startet die Tastenkombination den Ruhezustand.",
        "Auf diesem PC kann die Tastenkombination keinen Energiesparmodus starten.",
        "Der PC konnte nicht in den Energiesparmodus versetzt werden.",
        "Nach „OK“ wechselt der PC in den Energiesparmodus, nicht in den hybriden Standbymodus: Er ist im Energiesparplan aus und ließ sich nicht einschalten.",
        "Nach „OK“ wechselt der PC in den Energiesparmodus, nicht in den hybriden Standbymodus: Eine Richtlinie Ihrer Organisation schaltet ihn aus.",
        "Der PC wurde nicht in den Energiesparmodus versetzt: Der hybride Standbymodus ist nicht eingeschaltet, und bei einem Stromausfall ginge die offene Arbeit verloren. Drücken Sie die Tastenkombination erneut, um zu sehen, was der PC kann.",
        "Auf diesem PC: Energiesparmodus statt hybridem Standby (im Energiesparplan aus, nicht einschaltbar).",
        "Auf diesem PC: Energiesparmodus statt hybridem Standby (durch eine Richtlinie Ihrer Organisation aus).",
    ],
    "French": [
        "Après avoir cliqué sur OK, le système passera en mode veille hybride.",
        "Ne plus afficher",
        "OK",
        "Annuler",
        "Redéfinir",
        "Activer le raccourci clavier de Korvane Dormello",
        "Afficher l'icône de l'utilitaire dans la barre des tâches",
        "Configurer le raccourci clavier de Korvane Dormello",
        "Appuyez sur la combinaison de touches qui permettra de passer rapidement en mode veille hybride.",
        "Après avoir cliqué sur OK, le PC passera en veille, mais pas en veille hybride : la veille prolongée est désactivée (powercfg /hibernate on l'active).",
        "Après avoir cliqué sur OK, le PC passera en veille prolongée : il n'a pas de veille hybride.",
        "Ce PC n'offre aucune mise en veille que cet utilitaire puisse lancer.",
        "Le PC va passer en veille.",
        "Fermer",
        "Sur ce PC : veille simple, pas hybride (veille prolongée désactivée).",
        "Sur ce PC, le raccourci lance la veille prolongée.",
        "Ce PC n'offre aucune mise en veille que le raccourci puisse lancer.",
        "Le PC n'a pas pu être mis en veille.",
        "Après avoir cliqué sur OK, le PC passera en veille, mais pas en veille hybride : elle est désactivée dans le mode de gestion de l'alimentation et n'a pas pu être activée.",
        "Après avoir cliqué sur OK, le PC passera en veille, mais pas en veille hybride : une stratégie de votre organisation la désactive.",
        "Le PC n'a pas été mis en veille : la veille hybride n'est pas activée, et une coupure de courant ferait perdre le travail ouvert. Appuyez de nouveau sur le raccourci pour voir ce que le PC peut faire.",
        "Sur ce PC : veille simple, pas hybride (désactivée dans le mode de gestion de l'alimentation, impossible à activer).",
        "Sur ce PC : veille simple, pas hybride (une stratégie de votre organisation la désactive).",
    ],
    "Spanish": [
        "Después de hacer clic en Aceptar, el sistema entrará en el modo de suspensión híbrida.",
        "No volver a mostrar",
        "Aceptar",
        "Cancelar",
        "Redefinir",
        "Habilitar la tecla de acceso rápido de Korvane Dormello",
        "Mostrar el icono de la utilidad en la barra de tareas",
        "Configurar la tecla de acceso rápido de Korvane Dormello",
        "Pulse la combinación de teclas que le permitirá acceder rápidamente al modo de suspensión híbrida.",
        "Después de hacer clic en Aceptar, el equipo se suspenderá, pero no en suspensión híbrida: la hibernación está desactivada (powercfg /hibernate on la activa).",
        "Después de hacer clic en Aceptar, el equipo hibernará: no tiene suspensión híbrida.",
        "Este equipo no ofrece ninguna suspensión que esta utilidad pueda iniciar.",
        "El equipo se suspenderá.",
        "Cerrar",
        "En este equipo: suspensión sin híbrida (hibernación desactivada).",
        "En este equipo, la tecla de acceso rápido hiberna.",
        "Este equipo no tiene suspensión que la tecla pueda iniciar.",
        "No se pudo suspender el equipo.",
        "Después de hacer clic en Aceptar, el equipo se suspenderá, pero no en suspensión híbrida: está desactivada en el plan de energía y no se pudo activar.",
        "Después de hacer clic en Aceptar, el equipo se suspenderá, pero no en suspensión híbrida: una directiva de su organización la desactiva.",
        "El equipo no se suspendió: la suspensión híbrida no está activada y un corte de luz haría perder el trabajo abierto. Pulse de nuevo la tecla de acceso rápido para ver lo que puede hacer el equipo.",
        "En este equipo: suspensión sin híbrida (desactivada en el plan de energía y no se pudo activar).",
        "En este equipo: suspensión sin híbrida (una directiva de su organización la desactiva).",
    ],
    "SimplifiedChinese": [
        "单击“确定”后，系统将进入混合睡眠模式。",
        "下次不再显示",
        "确定",
        "取消",
        "重新定义",
        "启用 Korvane Dormello 热键",
        "在任务栏上显示实用程序图标",
        "设置 Korvane Dormello 热键",
        "请按下用于快速进入混合睡眠模式的组合键。",
        "单击“确定”后，电脑将进入睡眠，而不是混合睡眠：休眠已关闭（可用 powercfg /hibernate on 打开）。",
        "单击“确定”后，电脑将进入休眠：此电脑没有混合睡眠。",
        "此电脑没有本实用程序可以启动的睡眠方式。",
        "电脑将进入睡眠。",
        "关闭",
        "在此电脑上，热键将启动睡眠而不是混合睡眠：休眠已关闭。",
        "在此电脑上，热键将启动休眠：此电脑没有混合睡眠。",
        "此电脑没有热键可以启动的睡眠方式。",
        "无法使电脑进入睡眠。",
        "单击“确定”后，电脑将进入睡眠，而不是混合睡眠：电源计划中混合睡眠已关闭，且无法打开。",
        "单击“确定”后，电脑将进入睡眠，而不是混合睡眠：您所在组织的策略关闭了混合睡眠。",
        "电脑未进入睡眠：混合睡眠未打开，断电会丢失打开的工作。请再次按热键，查看此电脑可以执行的操作。",
        "在此电脑上，热键将启动睡眠：电源计划中混合睡眠已关闭，且无法打开。",
        "在此电脑上，热键将启动睡眠：您所在组织的策略关闭了混合睡眠。",
    ],
}


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "Images", "LangFiles")
    os.makedirs(out, exist_ok=True)
    for name, texts in LANGUAGES.items():
        assert len(texts) == len(KEYS), name
        lines = ["; Korvane Dormello - %s" % name, "[Translations]"]
        lines += ["%s=%s" % (key, text) for key, text in zip(KEYS, texts)]
        data = "\ufeff" + "\r\n".join(lines) + "\r\n"
        with open(os.path.join(out, name + ".ini"), "wb") as f:
            f.write(data.encode("utf-16-le"))


if __name__ == "__main__":
    main()
