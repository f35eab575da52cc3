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
