// The script language reference as the editor's help panel shows it.

#include "workspace/scripting/ScriptHelp.h"

namespace pv {

const QString& HelpSourceText()
{
    static const QString text = QString::fromUtf8(R"REF(PELANDROVIUM SCRIPT REFERENCE
==============================
A script is a list of commands, one per line, run from top
to bottom on the current picture. Command words may be
written in any case.


COMMENTS
--------
Lines starting with # are ignored, as are empty lines.

  Example:  # This is a comment


IMAGE PIPELINE
--------------
RESET
  The next effect takes its colours from the source photo
  again, while the current result stays as the canvas it
  paints on.
  CLEAR after RESET starts from a blank canvas instead.
  LOAD src replaces the working picture by the source photo.

  Example:  RESET

CLEAR
  Erases the background before the next effect: it paints
  on a white canvas.

  Example:  CLEAR

NOCLEAR
  Keeps the current pixels under the next effect, for a
  layered look.

  Example:  NOCLEAR

CONTOUR ON [<#RRGGBB>] | CONTOUR OFF
  Draws outlines around the shapes of the Mosaic, Circles
  and Triangles effects. The colour is black unless given;
  eight digits set the alpha too.

  Example:  CONTOUR ON #FF000000
  Example:  CONTOUR OFF

ENHANCE
  Automatic enhancement: levels, an S-curve for contrast,
  colour, and protection of the highlights. No parameters.

  Example:  ENHANCE


EFFECTS
-------
EFFECT <id> <P1> <P2> <P3> <P4> <P5>
  Runs an effect on the working picture.
  id        the effect's number or name
  P1..P5   the five slider values (0-100)

  Example:  EFFECT 300 30 40 40 100 20
  Example:  EFFECT Cartoon 50 50 50 50 50

  Available effects:
  PENCIL SKETCH                   PAINTING
    100  PencilSketch1              300  Watercolor
    101  PencilSketch2              301  Watercolor2
    102  PencilSketch3              302  OilPastel
    103  Crosshatch                 303  WatercolorSplashes
                                    304  ImpastoBrushstrokes
  PEN & INK                         305  Brushstrokes2
    200  BlackAndWhite              306  SmoothPainting
    201  Stippling                  307  StochasticPainting
    202  FeltTipPen                 308  GouachePainting

  PHOTO LAB                       STYLIZE
    400  OrtonFilter                500  Mosaic
    401  Adjustments                501  Cartoon
    402  VintageSepia               502  Circles
    403  RetroFilm                  503  Triangles
    404  LUTs


SLOTS (save/load intermediate results)
--------------------------------------
SAVE <slot>
  Keeps a copy of the working picture under a name.

  Example:  SAVE myslot

LOAD <slot>
  Makes a saved copy the working picture again.

  Example:  LOAD myslot

SWAP
  Exchanges the working picture with the source photo.

  Example:  SWAP


BLENDING
--------
BLEND <slot> <opacity> [<mode>]
  Blends a saved slot over the working picture.
  opacity   0-100, the weight of the slot (not of the working
            picture); 100 in normal mode replaces it
  mode      normal (default), multiply, screen, overlay,
            darken, lighten, softlight, hardlight,
            difference

  Example:  BLEND myslot 50
  Example:  BLEND myslot 70 multiply


TEXTURE
-------
TEXTURE [#N] [<strength> <scale>]
  Lays a texture over the picture.
  #N        index in the texture selector, counted from #0
  Values left out mean the current settings.

  Example:  TEXTURE #2 30 1


FRAMES
------
FRAME [#N] [<margin> [<color>]]
  Puts the picture in a decorative frame, with a margin of
  the colour between them.

  Example:  FRAME #0 20 #FFFFFFFF

FRAME brushstrokes <width> [<color>] [brush=<N>]
  A frame painted with brush strokes.
  brush     brush size, 10-200 (default 40)

  Example:  FRAME brushstrokes 20 #FFFFFFFF brush=60


TEXT
----
FONT <name> <size> [<style>] [<color>]
  Sets the font of the following TEXT commands until changed.
  style     regular, bold, italic or bolditalic

  Example:  FONT Arial 24 bold #FFFFFFFF

TEXT <x> <y> '<string>' [options]
  Writes text on the picture. x and y are pixels or
  percent; percentages push the text inward: 1% 1% is near
  the top left, 99% 99% near the bottom right and 50% 50%
  centred.
  Options for this command only: size=, color=, font=, style=,
  shadow=on|off

  Example:  TEXT 50% 98% 'My Art' shadow=on
  Example:  TEXT 20 40 'Hello' size=48 color=#FFFF0000

WATERMARK <x> <y> '<image file>' [width=<w>] [alpha=<a>]
  Stamps a picture (a logo, a signature), placed as TEXT is.
  width     pixels, or percent of the picture's width; the
            aspect ratio is kept. Default 25% of the
            picture's width, never above the file's own
            size.
  alpha     0 to 100 (default 100)

  Example:  WATERMARK 99% 99% 'logo.png' width=20% alpha=80


RESIZE
------
RESIZE <width> <height>
  Resizes the working picture; pixels or percent of its
  current size.

  Example:  RESIZE 1920 1080
  Example:  RESIZE 50% 50%


LUT FILE
--------
LUT_FILE <filepath>
  A .cube file for the following EFFECT 404 commands.
  Quote paths that contain blanks.

  Example:  LUT_FILE 'C:/Looks/my look.cube'

LUT_EMBEDDED <name>
  One of the built-in tables by its display name; the
  first one when the name is left out.

  Example:  LUT_EMBEDDED Golden hour

  Built-in tables:
    Architecture          Golden hour
    Blues                 HDR
    Cinematic             HDR natural
    Cinematic saturation  Kodachrome
    Cyan skies            Monochrome artistic
    Film print            Monochrome balanced
    Film tone 1           Monochrome vintage
    Film tone 2           Portrait
                          Rich colors
                          Vibrant light


COLORS
------
All colors use #AARRGGBB hex format:
  #FFFFFFFF   opaque white
  #FF000000   opaque black
  #80FF0000   50% transparent red
  #AAFFFFFF   semi-transparent white


FULL EXAMPLE
------------
  # Watercolour over a painted base, with a caption,
  # a brush-stroke frame and a paper texture.
  RESET
  EFFECT 300 30 40 40 100 20
  SAVE myslot
  RESET
  NOCLEAR
  EFFECT 301 90 20 55 20 55
  BLEND myslot 50
  FONT Arial 24 bold #FFFFFFFF
  TEXT 50% 98% 'My Art' shadow=on
  FRAME brushstrokes 20 #FFFFFFFF
  TEXTURE #2 30 1
)REF");
    return text;
}

} // namespace pv
