/* The resources of Muralset.exe that the window loads. Read by the resource
   compiler too, so this header holds #define lines only. */
#ifndef MURALIS_WIN32_VIEW_RESOURCE_IDS_H
#define MURALIS_WIN32_VIEW_RESOURCE_IDS_H

/* The lowest icon identifier is the one Explorer shows for the .exe. */
#define MURALIS_ICON_PROGRAM 1
/* The globe pointer over the web address box: 32x32 and 16x16 images. */
#define MURALIS_CURSOR_GLOBE 2

#endif
