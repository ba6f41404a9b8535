// Runs Debian's OpenStereogram generator without its window: a depth picture
// in, a random-dot (or, given a texture, a textured) stereogram of the same
// size out, with the settings its own example program uses.
//   java -cp /usr/share/openstereogram/OpenStereogram.jar:CLASSES OpenStereogramRun DEPTH.png OUT.png [TEXTURE.png]
import br.gfca.openstereogram.stereo.StereogramGenerator;
import java.awt.Color;
import java.awt.image.BufferedImage;
import java.io.File;
import javax.imageio.ImageIO;

public class OpenStereogramRun {
    public static void main(String[] args) throws Exception {
        BufferedImage depth = ImageIO.read(new File(args[0]));
        int w = depth.getWidth();
        int h = depth.getHeight();
        BufferedImage out;
        if (args.length > 2) {
            BufferedImage texture = ImageIO.read(new File(args[2]));
            out = StereogramGenerator.generateTexturedSIRD(depth, texture, w, h, 14f, 2.5f, 12f, 0f, 72, 72);
        } else {
            out = StereogramGenerator.generateSIRD(depth, Color.BLACK, Color.WHITE, Color.RED, 0.5f, w, h, 14f, 2.5f,
                                                   12f, 0f, 72);
        }
        ImageIO.write(out, "png", new File(args[1]));
    }
}
