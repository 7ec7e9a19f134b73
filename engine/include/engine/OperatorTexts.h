#pragma once
// Every text the engine and the setup panel compose for the operator, in the program's language
// (Brazilian Portuguese). Names of files, formats, codecs and settings are filled in as they are; the
// causes FFmpeg and the system report are given in these words too where the list at the end has them
// (engine/ffmpeg/core/AvError.h picks them).
#include <QString>
#include <cerrno>

namespace engine::texts {

// Engine objects
inline QString classNotRegistered(const QString& id) {
    return QStringLiteral("Classe não registrada: %1").arg(id);
}
inline QString interfaceOfNoObject(const char* iid) {
    return QStringLiteral("Interface %1 pedida a um objeto inexistente").arg(QString::fromLatin1(iid));
}
inline QString interfaceNotSupported(const char* iid) {
    return QStringLiteral("Interface não suportada: %1").arg(QString::fromLatin1(iid));
}

// Opening and reading a clip
inline QString cannotOpen(const QString& path, const QString& why) {
    return QStringLiteral("Não foi possível abrir \"%1\": %2").arg(path, why);
}
inline QString unknownContainer() {
    return QStringLiteral("formato não reconhecido");
}
inline QString noVideoDecoder() {
    return QStringLiteral("decodificador de vídeo indisponível");
}
inline QString noVideoNorAudio() {
    return QStringLiteral("sem vídeo nem áudio");
}
inline QString storageNotResponding() {
    return QStringLiteral("o armazenamento não responde");
}
inline QString mp4StillRecording() {
    return QStringLiteral(
        "MP4 ainda em gravação, sem índice (só arquivos fragmentados abrem durante a gravação)");
}
inline QString storageSilentFor(const QString& path, long long seconds) {
    return QStringLiteral("O armazenamento de \"%1\" não responde há %2 s").arg(path).arg(seconds);
}
inline QString cannotReadStreams(const QString& path, const QString& why) {
    return QStringLiteral("Não foi possível ler as trilhas de \"%1\": %2").arg(path, why);
}
inline QString readingStopped(const QString& path) {
    return QStringLiteral("A leitura de \"%1\" foi interrompida").arg(path);
}
inline QString clipHasNoVideo() {
    return QStringLiteral("O clipe não tem vídeo");
}
inline QString clipHasNoVideoFrames() {
    return QStringLiteral("O clipe não tem quadros de vídeo");
}
inline QString clipFrameRateUnknown() {
    return QStringLiteral("A taxa de quadros do clipe é desconhecida");
}

// The writer's parameter text and settings
inline QString badParameters(long long character, const QString& why) {
    return QStringLiteral("Parâmetros inválidos no caractere %1: %2").arg(character).arg(why);
}
inline QString settingNameMissing() {
    return QStringLiteral("falta o nome de um ajuste");
}
inline QString settingWithoutEquals(const QString& name) {
    return QStringLiteral("'%1' não tem '=' e valor").arg(name);
}
inline QString quotedValueNotClosed(const QString& name) {
    return QStringLiteral("o valor entre aspas de '%1' não foi fechado").arg(name);
}
inline QString settingWithoutValue(const QString& name) {
    return QStringLiteral("'%1' não tem valor").arg(name);
}
inline QString unexpectedAfter(QChar found, const QString& name) {
    return QStringLiteral("'%1' inesperado depois de '%2'").arg(found).arg(name);
}
inline QString settingGivenTwice(const QString& name) {
    return QStringLiteral("'%1' aparece duas vezes").arg(name);
}
inline QString unknownExportFormat(const QString& name) {
    return QStringLiteral("Formato de exportação desconhecido: '%1'").arg(name);
}
inline QString noFormatForFileName(const QString& fileName) {
    return QStringLiteral(
               "Nenhum formato de exportação grava arquivos com nome como '%1'; indique um com format=")
        .arg(fileName);
}
// `kind` is "video" or "audio", as the parameter text names the codec.
inline QString formatCannotHoldCodec(const QString& format, const QString& kind, const QString& codec) {
    return QStringLiteral("O formato %1 não comporta o codec de %2 '%3'")
        .arg(format, kind == u"video" ? QStringLiteral("vídeo") : QStringLiteral("áudio"), codec);
}
inline QString audioCopyNeedsVideoCopy() {
    return QStringLiteral("O áudio só pode ser copiado junto com o vídeo (video=copy)");
}
inline QString unknownSetting(const QString& key) {
    return QStringLiteral("Ajuste desconhecido: '%1'").arg(key);
}
inline QString hasNoSetting(const QString& owner, const QString& name) {
    return QStringLiteral("%1 não tem o ajuste '%2'").arg(owner, name);
}
inline QString formatHasNoSetting(const QString& format, const QString& name) {
    return QStringLiteral("O formato %1 não tem o ajuste '%2'").arg(format, name);
}
inline QString formatRefuses(const QString& format, const QString& name, const QString& value) {
    return QStringLiteral("O formato %1 não aceita %2=%3").arg(format, name, value);
}
inline QString codecRefuses(const QString& codec, const QString& name, const QString& value) {
    return QStringLiteral("O codec %1 não aceita %2=%3").arg(codec, name, value);
}
inline QString codecRefuses(const QString& codec, const QString& name, const QString& value,
                            const QString& why) {
    return codecRefuses(codec, name, value) + QStringLiteral(": ") + why;
}
inline QString badBitRate(const QString& value) {
    return QStringLiteral("Taxa de bits inválida: '%1'").arg(value);
}

// Descriptions of the settings the writer adds to FFmpeg's own
inline QString formatChoiceHelp() {
    return QStringLiteral("Formato de contêiner do arquivo exportado");
}
inline QString videoChoiceHelp() {
    return QStringLiteral("Codificador de vídeo");
}
inline QString audioChoiceHelp() {
    return QStringLiteral("Codificador de áudio");
}
inline QString extensionsHelp() {
    return QStringLiteral("Extensões de nome de arquivo deste formato");
}
inline QString networkHelp() {
    return QStringLiteral(
        "Verdadeiro para um formato que transmite para um endereço de rede em vez de gravar um arquivo");
}
inline QString bitRateHelp() {
    return QStringLiteral(
        "Taxa de bits em bits por segundo; K para kilobit/s ou M para megabit/s, como em 6M ou "
        "6000K. Vazio: o padrão do codificador");
}
inline QString pixelFormatHelp() {
    return QStringLiteral(
        "Formato de pixel da imagem codificada; vazio: o da origem quando o codificador o aceita, "
        "senão o mais próximo");
}
inline QString sampleRateHelp() {
    return QStringLiteral("Taxa de amostragem em Hz");
}
inline QString channelCountHelp(int routed) {
    return QStringLiteral(
               "Canais gravados. Menos que os %1 canais roteados mistura o canal roteado k na saída k "
               "módulo o número de canais (pares à esquerda, ímpares à direita em estéreo), limitado à "
               "escala cheia")
        .arg(routed);
}
inline QString sampleFormatHelp() {
    return QStringLiteral("Formato de amostra entregue ao codificador");
}

// Encoders
inline QString codecCannotStart(const QString& codec, const QString& why) {
    return QStringLiteral("O codec %1 não inicia com estes ajustes: %2").arg(codec, why);
}
inline QString codecFailed(const QString& codec, const QString& why) {
    return QStringLiteral("Falha no codec %1: %2").arg(codec, why);
}
inline QString outOfMemoryForCodec(const QString& codec) {
    return QStringLiteral("Memória insuficiente para o codec %1").arg(codec);
}
inline QString codecCannotWriteChannels(const QString& codec, int channels) {
    return QStringLiteral("O codec %1 não grava %2 canais").arg(codec).arg(channels);
}
inline QString cannotConvertSoundFor(const QString& codec, const QString& why) {
    return QStringLiteral("Não foi possível converter o som para o codec %1: %2").arg(codec, why);
}
inline QString outOfMemoryForSound() {
    return QStringLiteral("Memória insuficiente para o som");
}
inline QString soundConversionFailed(const QString& why) {
    return QStringLiteral("Falha na conversão do som: %1").arg(why);
}
inline QString cannotConvertPicturesFor(const QString& codec) {
    return QStringLiteral("Não foi possível converter as imagens para o codec %1").arg(codec);
}
inline QString outOfMemoryForPicture() {
    return QStringLiteral("Memória insuficiente para uma imagem");
}
inline QString outOfMemoryForPicture(const QString& why) {
    return outOfMemoryForPicture() + QStringLiteral(": ") + why;
}
inline QString noEncoderForSource(const QString& codec) {
    return QStringLiteral("Nenhum codificador para o codec %1 da origem").arg(codec);
}
inline QString noEncoderForSourceAudio(const QString& codec) {
    return QStringLiteral("Nenhum codificador para o codec de áudio %1 da origem").arg(codec);
}
inline QString cannotSetUpEncoder(const QString& codec, const QString& why) {
    return QStringLiteral("Não foi possível preparar o codificador %1: %2").arg(codec, why);
}
inline QString encodingFailed(const QString& why) {
    return QStringLiteral("Falha na codificação: %1").arg(why);
}
inline QString audioEncodingFailed(const QString& why) {
    return QStringLiteral("Falha na codificação do áudio: %1").arg(why);
}
inline QString outOfMemoryCuttingAudio() {
    return QStringLiteral("Memória insuficiente para cortar o áudio");
}
inline QString cannotConvertSoundForEncoder(const QString& why) {
    return QStringLiteral("Não foi possível converter o som para o codificador: %1").arg(why);
}
inline QString noDecoderFor(const QString& codec) {
    return QStringLiteral("Nenhum decodificador para %1").arg(codec);
}
inline QString cannotDecodeSource(const QString& codec, const QString& why) {
    return QStringLiteral("Não foi possível decodificar o %1 da origem: %2").arg(codec, why);
}
inline QString onlySomeFramesDecoded(long long decoded, long long wanted, long long from) {
    return QStringLiteral("Só %1 dos %2 quadros a partir do quadro %3 puderam ser decodificados")
        .arg(decoded)
        .arg(wanted)
        .arg(from);
}
inline QString noFrameDecodedFrom(long long from) {
    return QStringLiteral("Nenhum quadro a partir do quadro %1 pôde ser decodificado").arg(from);
}

// The exported file
inline QString formatStreamsToNetwork(const QString& format) {
    return QStringLiteral("O formato %1 transmite pela rede e não grava arquivos").arg(format);
}
inline QString folderMissing(const QString& folder) {
    return QStringLiteral("A pasta %1 não existe").arg(folder);
}
inline QString cannotSetUpFormat(const QString& format, const QString& why) {
    return QStringLiteral("Não foi possível preparar o formato %1: %2").arg(format, why);
}
inline QString cannotWriteInFolder(const QString& folder, const QString& why) {
    return QStringLiteral("Não é possível gravar na pasta %1: %2").arg(folder, why);
}
inline QString outOfMemoryAddingStream() {
    return QStringLiteral("Memória insuficiente para acrescentar uma trilha");
}
inline QString cannotDescribeStream(const QString& why) {
    return QStringLiteral("Não foi possível descrever a trilha: %1").arg(why);
}
inline QString formatRefusedStreams(const QString& format, const QString& why) {
    return QStringLiteral("O formato %1 recusou as trilhas: %2").arg(format, why);
}
inline QString writingFailed(const QString& path, const QString& why) {
    return QStringLiteral("Falha ao gravar %1: %2").arg(path, why);
}
inline QString finishingFailed(const QString& path, const QString& why) {
    return QStringLiteral("Falha ao concluir %1: %2").arg(path, why);
}
inline QString cannotPutInPlace(const QString& path, const QString& why) {
    return QStringLiteral("Não foi possível pôr o arquivo no lugar como %1: %2").arg(path, why);
}
inline QString fileAlreadyClosed() {
    return QStringLiteral("O arquivo já estava fechado");
}

// The recording and its outcome
inline QString noTargetName() {
    return QStringLiteral("Nenhum nome de arquivo de destino foi informado");
}
inline QString noUsableTarget() {
    return QStringLiteral("Nenhum destino utilizável foi definido");
}
inline QString recordingInProgress() {
    return QStringLiteral("Gravação em andamento");
}
inline QString writerNeedsFileSource() {
    return QStringLiteral("O gravador só grava a partir de uma fonte de arquivo");
}
inline QString targetIsPlayedClip(const QString& path) {
    return QStringLiteral("O destino da exportação é o clipe em reprodução: %1").arg(path);
}
inline QString onlyClipFilesCopied() {
    return QStringLiteral("Só um arquivo de clipe pode ser copiado");
}
inline QString nothingRecorded() {
    return QStringLiteral("Nada foi gravado");
}
inline QString noPictureFromSource() {
    return QStringLiteral("Nenhuma imagem veio da origem: nada foi gravado");
}
inline QString exportAbandoned() {
    return QStringLiteral("A exportação foi abandonada; nada foi gravado");
}
inline QString wroteFrames(long long frames, double seconds, const QString& path) {
    return QStringLiteral("%1 quadros (%2 s) gravados em %3").arg(frames).arg(seconds, 0, 'f', 3).arg(path);
}
inline QString sourceJumped() {
    return QStringLiteral(
        "A origem saltou durante a gravação; uma exportação copiada precisa de um trecho contínuo");
}

// The copy export (smart cut)
inline QString cutAbandoned() {
    return QStringLiteral("O corte foi abandonado");
}
inline QString rangeOutsideClip(long long in, long long out, long long frames) {
    return QStringLiteral("O trecho %1-%2 está fora dos %3 quadros do clipe").arg(in).arg(out).arg(frames);
}
inline QString cannotCopy(const QString& why) {
    return QStringLiteral("Não é possível copiar: %1").arg(why);
}
inline QString formatCannotHoldSource(const QString& format, const QString& codec, bool video) {
    return QStringLiteral("o formato %1 não comporta o %2 %3 da origem")
        .arg(format, video ? QStringLiteral("vídeo") : QStringLiteral("áudio"), codec);
}
inline QString noCleanSplicePoint() {
    return QStringLiteral("a origem não tem ponto de emenda limpo dentro do trecho");
}
inline QString spanShorterThanGop() {
    return QStringLiteral("o trecho tem menos de um GOP inteiro");
}
inline QString gopsReferAcrossSplices() {
    return QStringLiteral("os GOPs da origem fazem referência através dos pontos de emenda");
}
inline QString videoReencodedWhole(const QString& codec) {
    return QStringLiteral("o vídeo %1 da origem é recodificado inteiro").arg(codec);
}
inline QString cannotConvertSourcePackets(const QString& why) {
    return QStringLiteral("Não foi possível converter os pacotes da origem: %1").arg(why);
}
inline QString cannotConvertSourcePacket(long long position) {
    return QStringLiteral("Não foi possível converter o pacote %1 da origem").arg(position);
}
inline QString sourceEndedBeforeCopy() {
    return QStringLiteral("A origem terminou antes de a parte copiada ser lida");
}
inline QString cannotRenumberCopiedPictures(const QString& why) {
    return QStringLiteral("Não foi possível renumerar as imagens copiadas: %1").arg(why);
}
inline QString reorderedDeeperThanDeclared() {
    return QStringLiteral("As imagens do vídeo estão reordenadas mais fundo do que o codificador declarou");
}
inline QString writtenFileUnreadable(const QString& why) {
    return QStringLiteral("O arquivo gravado não pode ser lido de volta: %1").arg(why);
}
inline QString writtenFrameCount(long long got, long long wanted) {
    return QStringLiteral("O arquivo gravado tem %1 quadros em vez de %2").arg(got).arg(wanted);
}
inline QString copiedPictureDiffers(long long frame) {
    return QStringLiteral("O quadro %1 do arquivo gravado, copiado da origem, não sai igual ao da origem").arg(frame);
}
inline QString writtenTimestampsBroken(long long frame) {
    return QStringLiteral("As marcas de tempo do arquivo gravado pulam ou se repetem no quadro %1")
        .arg(frame);
}
inline QString sequenceHeaderUnmatched(const QString& why) {
    return QStringLiteral("o cabeçalho de sequência da origem não pode ser reproduzido (%1)").arg(why);
}
inline QString sequenceExtensionMissing(bool madeHasIt) {
    return madeHasIt ? QStringLiteral("com extensão de sequência") : QStringLiteral("sem extensão de sequência");
}
inline QString sequenceFieldDiffers(const QString& field, int made, int wanted) {
    return QStringLiteral("%1 %2 em vez de %3").arg(field).arg(made).arg(wanted);
}
inline QString otherQuantiserMatrices() {
    return QStringLiteral("outras matrizes de quantização");
}
inline QString cannotMakeEncoderPicture(const QString& why) {
    return QStringLiteral("Não foi possível criar uma imagem para o codificador: %1").arg(why);
}
inline QString encoderGaveNoPicture() {
    return QStringLiteral("O codificador não devolveu nenhuma imagem");
}
inline QString reencodedNeedMoreBuffer(long long needed, long long holds) {
    return QStringLiteral("As imagens recodificadas precisam de %1 bits no buffer, que comporta %2")
        .arg(needed)
        .arg(holds);
}
inline QString reencodedPictureWithoutHeader(long long n) {
    return QStringLiteral("A imagem recodificada %1 não tem cabeçalho de imagem").arg(n);
}
inline QString reencodedPictureDoesNotFit(long long n, long long bits, long long level) {
    return QStringLiteral("A imagem recodificada %1, de %2 bits, não cabe no buffer com %3 bits")
        .arg(n)
        .arg(bits)
        .arg(level);
}
inline QString cannotStampBufferDelays() {
    return QStringLiteral("Não foi possível marcar os atrasos de buffer das imagens recodificadas");
}
inline QString cannotPadReencodedPictures() {
    return QStringLiteral("Não foi possível preencher as imagens recodificadas");
}
inline QString reencodedLeaveBufferShort(long long level, long long wanted) {
    return QStringLiteral("As imagens recodificadas deixam o buffer com %1 bits, abaixo de %2").arg(level).arg(wanted);
}
inline QString cutWroteCopied(long long frames, const QString& path, long long copied, long long reencoded) {
    return QStringLiteral("%1 quadros gravados em %2: %3 copiados da origem, %4 recodificados")
        .arg(frames)
        .arg(path)
        .arg(copied)
        .arg(reencoded);
}
inline QString cutWroteReencoded(long long frames, const QString& path, const QString& why) {
    return QStringLiteral("%1 quadros gravados em %2, todos recodificados: %3").arg(frames).arg(path, why);
}

// The setup panel
inline QString codecSettingsRefused(const QString& why) {
    return QStringLiteral("Os parâmetros do codec não foram aceitos: %1\nNada foi salvo.").arg(why);
}
inline QString unknownReason() {
    return QStringLiteral("motivo desconhecido");
}

// Causes the system reports by error number; empty for one we have no text for.
inline QString systemFailureCause(int errnum) {
    switch (errnum) {
    case EACCES:
    case EPERM:
        return QStringLiteral("permissão negada");
    case ENOENT:
        return QStringLiteral("arquivo ou pasta inexistente");
    case ENOTDIR:
        return QStringLiteral("não é uma pasta");
    case EISDIR:
        return QStringLiteral("é uma pasta");
    case EEXIST:
        return QStringLiteral("o arquivo já existe");
    case ENOSPC:
        return QStringLiteral("não há espaço no disco");
    case EFBIG:
        return QStringLiteral("arquivo grande demais");
    case EROFS:
        return QStringLiteral("sistema de arquivos somente leitura");
    case EIO:
        return QStringLiteral("erro de entrada/saída");
    case ENOMEM:
        return QStringLiteral("memória insuficiente");
    case EINVAL:
        return QStringLiteral("argumento inválido");
    case ENOSYS:
        return QStringLiteral("função não implementada");
    case EAGAIN:
        return QStringLiteral("recurso temporariamente indisponível");
    default:
        return {};
    }
}

// Causes FFmpeg reports by its own codes (see core/AvError.h).
inline QString invalidDataCause() {
    return QStringLiteral("dados inválidos encontrados ao processar a entrada");
}
inline QString endOfFileCause() {
    return QStringLiteral("fim do arquivo");
}
inline QString optionNotFoundCause() {
    return QStringLiteral("opção não encontrada");
}
inline QString encoderNotFoundCause() {
    return QStringLiteral("codificador não encontrado");
}
inline QString decoderNotFoundCause() {
    return QStringLiteral("decodificador não encontrado");
}
inline QString notImplementedCause() {
    return QStringLiteral("recurso não implementado no FFmpeg");
}
inline QString externalLibraryCause() {
    return QStringLiteral("falha em biblioteca externa");
}

} // namespace engine::texts
