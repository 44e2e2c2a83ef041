/* Every identifier the program, its resources and its language libraries
   share: commands, private messages, flags, view modes, string ids, the
   menu, dialog templates and control ids.  Plain #defines so that the
   resource compiler reads this file too. */
#ifndef ORVANTIDE_IDS_H
#define ORVANTIDE_IDS_H

/* The columns of this table are kept by hand. */
/* clang-format off */

/* Commands (low word of WM_COMMAND's wParam). */
#define CMD_START              256
#define CMD_STOP               257
#define CMD_EXIT               258
#define CMD_SETTINGS           259
#define CMD_ABOUT              260
#define CMD_SEND_FILE          261
#define CMD_VIEW_TEXT          2000
#define CMD_QUERY_DEVICE       40005
#define CMD_VIEW_HEX           40006
#define CMD_VIEW_FILTERED      40007
#define CMD_OPEN_FILE          40008
#define CMD_SAVE_AS            40009
#define CMD_CANCEL_SEND        40016
#define CMD_EXPORT_PDF         40017
#define CMD_VIEW_PAGES         40018
#define CMD_PRINT              40019
#define CMD_CANCEL_PRINT       40020

/* Private messages of the main window (WM_APP + n).  A link worker's
   messages carry its number (lParam, or wParam where said), so that a
   message of an earlier run is known and left alone. */
#define UM_LINK_ERROR          0x8001   /* wParam = kind (below) */
#define UM_QUERY_DIALOG        0x8003
#define UM_CAPTURE_WRITE_FAILED 0x8004  /* the capture file lost bytes: once per run */
/* Posted by the capture thread to the open query dialog. */
#define UM_QUERY_REPLY         0x8005   /* wParam = 'I' or 'S', lParam = the reply's bits */
#define UM_END_QUERY           0x8006   /* the link failed: end the dialog with result 1 */
/* A send has ended, well or not: its link is closed already. */
#define UM_SEND_ENDED          0x8007
#define UM_LINK_OPENED         0x8008   /* the link of a capture or a send is open */
#define UM_LINK_OPEN_FAILED    0x8009   /* a capture's link could not be opened */
/* A capture's PDF is written or has failed (posted by the document queue). */
#define UM_DOCUMENT_DONE       0x800A
/* The page view's position, count or failure changed (posted by the page
   view to its parent). */
#define UM_PAGES_CHANGED       0x800B
/* The page feed has news for the page view (posted by the feed's thread). */
#define UM_PAGE_NEWS           0x800C
/* A print of the Print command: a page is out (wParam = pages printed),
   or the print has ended (posted by its thread). */
#define UM_PRINT_PROGRESS      0x800D
#define UM_PRINT_ENDED         0x800E

/* UM_LINK_ERROR kinds (low word of wParam). */
#define LINK_ERROR_RECEIVE     1
#define LINK_ERROR_SEND        2

/* stateFlags bits. */
#define FLAG_HAVE_FILE         0x1
#define FLAG_SENDING           0x100

/* startFlags bits. */
#define START_AT_ONCE          0x1
#define START_DELAYED          0x2

/* viewMode values (2 is not used). */
#define VIEW_TEXT              0
#define VIEW_HEX               1
#define VIEW_FILTERED          3

/* Timer of a running capture. */
#define TIMER_REFRESH          1
#define TIMER_REFRESH_MS       500
/* One-shot timer of the start delay (-t) before a capture started by -r. */
#define TIMER_START_DELAY      2

/* Child windows of the main window. */
#define ID_STATUSBAR           1002
#define ID_TOOLBAR             1003
#define ID_VIEW                123
#define ID_PAGE_VIEW           124

/* The program's own resources. */
#define IDI_APP                101
#define IDB_TOOLBAR            118
#define IDA_MAIN               106
#define TOOLBAR_IMAGES         10

/* Language library: menu and dialog templates. */
#define IDM_MAIN               300
#define IDD_SETTINGS           101
#define IDD_LAN_PANEL          103
#define IDD_SERIAL_PANEL       104
#define IDD_ABOUT              105
#define IDD_CONNECTION_PAGE    106
#define IDD_CAPTURE_FILE_PAGE  107
#define IDD_DOCUMENTS_PAGE     108
#define IDD_QUERY              120

/* Language library: strings. */
#define IDS_FONT_FACE          1
#define IDS_ABOUT_TEXT         2
#define IDS_TIP_OPEN           3
#define IDS_TIP_SAVE_AS        4
#define IDS_TIP_START          5
#define IDS_TIP_STOP           6
#define IDS_TIP_SETTINGS       7
#define IDS_TIP_VIEW_HEX       8
#define IDS_TIP_VIEW_FILTERED  9
#define IDS_TIP_VIEW_TEXT      10
#define IDS_TIP_SEND_FILE      11
#define IDS_TIP_CANCEL_SEND    12
#define IDS_ABOUT_VERSION      13    /* about box line, %s = the version */
#define IDS_TAB_CONNECTION     101
#define IDS_TAB_CAPTURE_FILE   102   /* also the folder message caption's argument */
#define IDS_LINK_SERIAL        103
#define IDS_LINK_LAN           104
#define IDS_TAB_DOCUMENTS      105
#define IDS_SETTINGS_ERROR     117   /* caption */
#define IDS_BROWSE_TITLE       201
#define IDS_FOLDER_MISSING     202   /* text, %s = folder path */
#define IDS_PAPER_A4           401   /* the paper list */
#define IDS_PAPER_LETTER       402
#define IDS_PAPER_CUSTOM       403
#define IDS_DOCUMENT_SETTINGS  414   /* caption */
#define IDS_PAPER_INVALID      415
#define IDS_DEFAULT_PRINTER    416   /* the printer list's first item, when Windows has no default printer */
#define IDS_DEFAULT_PRINTER_IS 417   /* the same, %s = the default printer's name */
#define IDS_TOP_OF_FORM_INVALID 418
#define IDS_PINS_NINE          450   /* status bar, %s = the command that told ("ESC 3 36 at 14") */
#define IDS_PINS_TWENTY_FOUR   451   /* the same */
#define IDS_PINS_UNTOLD        452
#define IDS_PRINTER_AUTO       420   /* the printer list, in the order of settings/DocumentForm.h */
#define IDS_PRINTER_EPSON      421
#define IDS_PRINTER_EPSON9     422
#define IDS_PRINTER_IBM        423
#define IDS_CODE_PAGE_437      430   /* the code page list, in the order of settings/DocumentForm.h */
#define IDS_CODE_PAGE_850      431
#define IDS_CODE_PAGE_852      432
#define IDS_CODE_PAGE_858      433
#define IDS_CODE_PAGE_865      434
#define IDS_CODE_PAGE_866      435
#define IDS_CODE_PAGE_1252     436
#define IDS_CODE_PAGE_895      437
#define IDS_CODE_PAGE_667      438
#define IDS_CODE_PAGE_737      439
#define IDS_CODE_PAGE_775      440
#define IDS_CODE_PAGE_857      441
#define IDS_CODE_PAGE_860      442
#define IDS_CODE_PAGE_861      443
#define IDS_CODE_PAGE_862      444
#define IDS_CODE_PAGE_863      445
#define IDS_CODE_PAGE_869      446
#define IDS_CODE_PAGE_28591    447
#define IDS_CODE_PAGE_28592    448
#define IDS_CODE_PAGE_28605    449
#define IDS_STATE_RUNNING      301
#define IDS_STATE_STARTING     302
#define IDS_STATE_IDLE         303
#define IDS_STATE_STOPPING     304
#define IDS_PAGE_POSITION      305   /* status bar part 2: "Page %u of %u" */
#define IDS_PAGE_COUNTING      306   /* the same while the pages are still counted */
#define IDS_PAGES_NONE         307   /* the job makes no page */
#define IDS_PRINTING           308   /* status bar part 3: %u = pages out, %s = the printer */
#define IDS_PRINTED            309   /* %u = pages printed, %s = the printer */
#define IDS_PRINT_CANCELLING   310
#define IDS_PRINT_CANCELLED    311
#define IDS_PORT_PREFIX        784   /* "COM" */
#define IDS_FOLDER_CAPTION     855   /* caption, %s = string 102 */
#define IDS_REPLACE_CAPTION    9001
#define IDS_REPLACE_QUESTION   9002
#define IDS_CLOSE_IDLE         9003
#define IDS_CLOSE_FAILED       9004
#define IDS_FAILURE_CAPTION    9005
#define IDS_QUESTION_CAPTION   9006
#define IDS_SAVE_FAILED        9007
#define IDS_LINK_CAPTION       9008
#define IDS_LINK_FAILED_ALT    9015  /* %d = error number */
#define IDS_CLOSE_RUNNING      9020
#define IDS_LINK_FAILED        9022  /* %u = error number */
#define IDS_HOST_MISSING       9023
#define IDS_PORT_INVALID       9024
#define IDS_LAN_SEND_FAILED    9025  /* %d = socket error */
#define IDS_LAN_SEND_CAPTION   9026
#define IDS_SAVE_TITLE         9027
#define IDS_SEND_FAILED        9028
#define IDS_CANCEL_SEND        9029
#define IDS_EXPORT_TITLE       9030  /* the save dialog of Export as PDF */
#define IDS_RENDER_READ_FAILED 9031  /* %s = the file */
#define IDS_RENDER_LANGUAGE    9032  /* %s = the printer language ("PCL") */
#define IDS_RENDER_WRITE_FAILED 9033 /* %s = the PDF file */
#define IDS_RENDER_TOO_LARGE   9034  /* %s = the file */
#define IDS_RENDER_SAME_FILE   9035  /* %s = the file chosen for the PDF */
#define IDS_PRINT_NO_PRINTER   9036  /* %s = the printer's name */
#define IDS_PRINT_UNREACHABLE  9037  /* %s = the printer's name */
#define IDS_PRINT_REFUSED      9038  /* %s = the printer's name */
#define IDS_PRINT_NO_DEFAULT   9039
#define IDS_PRINT_LANGUAGE     9040  /* %s = the printer language ("PCL") */
#define IDS_PRINT_EMPTY        9041
#define IDS_CAPTURE_NOT_PRINTED 9042 /* %s = the capture file; the reason follows */
#define IDS_PAGES_LANGUAGE     9043  /* %s = the printer language ("PCL") */

/* Controls of the about box (105). */
#define IDC_ABOUT_TEXT         1040

/* Controls of the settings dialogs (101, 103, 104, 106, 107, 108). */
#define IDC_SETTINGS_TAB       1020
#define IDC_HOST               1000
#define IDC_PORT               1002
#define IDC_COM_PORT           1003
#define IDC_LINK_KIND          1013
#define IDC_PANEL_AREA         1014
#define IDC_FOLDER_TEXT        1016
#define IDC_BROWSE             1011
#define IDC_FILE_NAME          1034
#define IDC_AUTO_NAME          1041
#define IDC_PAPER              1042
#define IDC_PAPER_SIZE         1043
#define IDC_CODE_PAGE          1044
#define IDC_PRINTER            1045
#define IDC_PDF_AFTER_CAPTURE  1046
#define IDC_PRINT_AFTER_CAPTURE 1047
#define IDC_PRINT_DESTINATION  1048
#define IDC_TOP_OF_FORM        1049

/* Controls of the device query dialog (120). */
#define IDC_QUERY_I            1027
#define IDC_QUERY_S            1028
#define IDC_I_REPLY            1033
#define IDC_S_BIT3             1036
#define IDC_S_BIT2             1037
#define IDC_S_BIT1             1038
#define IDC_S_BIT0             1039

/* The window class names and the fixed English texts. */
#define MAIN_CLASS_NAME        "Kelmora Orvantide"
#define MAIN_TITLE             "Kelmora Orvantide"
#define VIEW_CLASS_NAME        "ChildClass"
#define LANGUAGE_LIBRARY_FORMAT "Orvantide%04d.dll"
#define PROGRAM_FILE_NAME      "Orvantide.exe"

/* clang-format on */

#endif
