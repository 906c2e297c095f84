// IVortanApplication: the modal message dialog (GTK) and the text of error codes.
#include <stdio.h>

// GTK 2 headers use GLib types that newer GLib marks deprecated.
#define GLIB_DISABLE_DEPRECATION_WARNINGS
#include <gtk/gtk.h>

#include <string>

#include "engine/platform/VortanApplication.h"

void IVortanApplication::MessageBox(const CVortanString& title, const CVortanString& text)
{
    if (title.IsEmpty() || !gdk_display_get_default())
        return;
    std::string titleText = VortanUTF8Of(title);
    std::string bodyText = VortanUTF8Of(text);
    GtkWidget* dialog = gtk_dialog_new_with_buttons(titleText.c_str(), nullptr, GTK_DIALOG_MODAL,
                                                    GTK_STOCK_OK, GTK_RESPONSE_OK, nullptr);
    GtkWidget* label = gtk_label_new(bodyText.c_str());
    gtk_container_add(GTK_CONTAINER(GTK_DIALOG(dialog)->vbox), label);
    gtk_widget_show_all(dialog);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    while (gtk_events_pending())
        gtk_main_iteration();
}

void IVortanApplication::FormatErrorText(int code, CVortanString& out)
{
    char text[32];
    snprintf(text, sizeof(text), "Error: %d", code);
    out = text;
}
